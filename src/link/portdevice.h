#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line as the link sees it: a real serial port or the built-in
// controller simulator. Line settings are the implementation's business
// (9600 baud, no parity, 8 data bits, 1 stop bit, no handshaking).
class PortDevice : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;

  // Opens port number `portNo` (1 to 32). On failure returns false and puts
  // the system's reason into `reason`.
  virtual bool open(int portNo, QString *reason) = 0;
  virtual void close() = 0;
  // Whether port number `portNo` opens, tried beside the line in use, which
  // stays as it is; false with an empty reason when no device has it. A
  // line without a way to try beside itself tries only while closed.
  virtual bool tryPort(int portNo, QString *reason) {
    if (isOpen())
      return false;
    const bool opened = open(portNo, reason);
    if (opened)
      close();
    return opened;
  }
  virtual bool isOpen() const = 0;
  virtual bool write(const QByteArray &data) = 0;
  virtual qint64 bytesAvailable() const = 0;
  // Everything waiting, at once.
  virtual QByteArray readAll() = 0;

  // What port number `portNo` reaches, for the operator: the device's path
  // (empty when no device has the number), or the built-in simulator.
  virtual QString devicePath(int portNo) const { Q_UNUSED(portNo); return {}; }
  virtual bool simulated() const { return false; }
  // What the system reports about the device (maker, description, serial
  // number), for the operator; empty when it reports nothing.
  virtual QString deviceInfo(int portNo) const { Q_UNUSED(portNo); return {}; }
  // Why the line last went away, when the line itself could tell (a server
  // that turned out to speak another protocol, or its last words that were
  // never read); empty otherwise.
  virtual QString dropReason() const { return {}; }

  // What a peer said, fit for one line of a message: printable characters
  // only, blanks joined, at most 200 characters.
  static QString printable(const QByteArray &bytes);

Q_SIGNALS:
  // New characters are waiting.
  void dataArrived();
  // The device went away while open (adapter unplugged, peer gone); the
  // port is already closed when this is emitted.
  void vanished();
};
