#pragma once
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

// Which device each port number 1 to 32 opens. Numbers 1 to 4 are the
// built-in serial ports /dev/ttyS0 to /dev/ttyS3; numbers 5 to 32 are the USB
// serial adapters in the order of their stable /dev/serial/by-id names
// (which keep an adapter's name when it is plugged into another socket or
// comes back as another ttyUSB), then adapters without such a name. The
// settings ("Settings" / "Device<N>") and --device override single numbers.
// On Windows number N is COMN (\\.\COMN) while the system lists that port,
// and there is no adapter map.
class PortMap {
public:
  static constexpr int FirstUsbPort = 5;

  QString devicePath(int portNo) const;
  void setOverride(int portNo, const QString &path) { overrides_[portNo] = path; }

  // The adapters as the rule numbers them; folders are settable for tests.
  QStringList usbAdapters() const;
  QString byIdFolder = QStringLiteral("/dev/serial/by-id");
  QString devFolder = QStringLiteral("/dev");

private:
  QHash<int, QString> overrides_;
#ifdef Q_OS_WIN
  QString windowsPort(int portNo) const;
  mutable QStringList listed_; // the system's port names, "COM3"
  mutable QElapsedTimer listedAt_;
#endif
};
