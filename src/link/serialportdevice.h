#pragma once
#include "portdevice.h"
#include "portmap.h"

#include <QSerialPort>

// A real serial port at 9600 baud, no parity, 8 data bits, 1 stop bit, no
// handshaking.
class SerialPortDevice : public PortDevice {
  Q_OBJECT
public:
  explicit SerialPortDevice(QObject *parent = nullptr);

  PortMap &portMap() { return map_; }

  bool open(int portNo, QString *reason) override;
  void close() override;
  bool isOpen() const override { return port_.isOpen(); }
  bool write(const QByteArray &data) override;
  qint64 bytesAvailable() const override { return port_.bytesAvailable(); }
  QByteArray readAll() override { return port_.readAll(); }
  QString devicePath(int portNo) const override { return map_.devicePath(portNo); }
  QString deviceInfo(int portNo) const override;

private:
  void onError(QSerialPort::SerialPortError error);
  bool hungUp() const;

  PortMap map_;
  QSerialPort port_;
};
