#pragma once
#include "portdevice.h"
#include "portmap.h"
#include "tcpportdevice.h"

#include <QSerialPort>

// A real serial port at 9600 baud, no parity, 8 data bits, 1 stop bit, no
// handshaking; or, where the port number is pinned to a "tcp://" or
// "rfc2217://" address, the line at a serial device server.
class SerialPortDevice : public PortDevice {
  Q_OBJECT
public:
  explicit SerialPortDevice(QObject *parent = nullptr);

  PortMap &portMap() { return map_; }
  TcpPortDevice &network() { return net_; }

  bool open(int portNo, QString *reason) override;
  void close() override;
  // A serial device on a port of its own; network lines are PortProbe's.
  bool tryPort(int portNo, QString *reason) override;
  bool isOpen() const override { return onNet_ ? net_.isOpen() : port_.isOpen(); }
  bool write(const QByteArray &data) override;
  qint64 bytesAvailable() const override { return onNet_ ? net_.bytesAvailable() : port_.bytesAvailable(); }
  QByteArray readAll() override { return onNet_ ? net_.readAll() : port_.readAll(); }
  QString devicePath(int portNo) const override { return map_.devicePath(portNo); }
  QString deviceInfo(int portNo) const override;
  QString dropReason() const override { return onNet_ ? net_.dropReason() : QString(); }

private:
  void onError(QSerialPort::SerialPortError error);
  bool hungUp() const;
  static bool openSerial(QSerialPort &port, const QString &path, QString *reason);

  PortMap map_;
  QSerialPort port_;
  TcpPortDevice net_;
  bool onNet_ = false; // the line now open, or last opened, is net_
};
