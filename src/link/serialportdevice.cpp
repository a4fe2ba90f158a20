#include "serialportdevice.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#ifndef Q_OS_WIN
#include <poll.h>
#endif

SerialPortDevice::SerialPortDevice(QObject *parent) : PortDevice(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &PortDevice::dataArrived);
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialPortDevice::onError);
  connect(&net_, &PortDevice::dataArrived, this, &PortDevice::dataArrived);
  connect(&net_, &PortDevice::vanished, this, &PortDevice::vanished);
}

bool SerialPortDevice::open(int portNo, QString *reason) {
  const QString path = map_.devicePath(portNo);
  if (path.isEmpty()) {
    *reason = QStringLiteral("COM%1: no serial device has this number").arg(portNo);
    return false;
  }
  onNet_ = TcpPortDevice::isUrl(path);
  if (onNet_) {
    net_.setUrl(path);
    return net_.open(portNo, reason);
  }
  return openSerial(port_, path, reason);
}

bool SerialPortDevice::openSerial(QSerialPort &port, const QString &path, QString *reason) {
  port.setPortName(path);
  if (!port.open(QIODevice::ReadWrite)) {
    *reason = QStringLiteral("%1: %2").arg(path, port.errorString());
    return false;
  }
  const bool set = port.setBaudRate(QSerialPort::Baud9600) &&
                   port.setParity(QSerialPort::NoParity) &&
                   port.setDataBits(QSerialPort::Data8) &&
                   port.setStopBits(QSerialPort::OneStop) &&
                   port.setFlowControl(QSerialPort::NoFlowControl);
  if (!set) {
    *reason = QStringLiteral("%1: %2").arg(path, port.errorString());
    port.close();
    return false;
  }
  return true;
}

bool SerialPortDevice::tryPort(int portNo, QString *reason) {
  const QString path = map_.devicePath(portNo);
  if (path.isEmpty() || TcpPortDevice::isUrl(path))
    return false;
  QSerialPort port;
  return openSerial(port, path, reason);
}

void SerialPortDevice::close() {
  net_.close();
  if (port_.isOpen())
    port_.close();
}

QString SerialPortDevice::deviceInfo(int portNo) const {
  const QString path = map_.devicePath(portNo);
  if (path.isEmpty() || TcpPortDevice::isUrl(path))
    return {};
#ifdef Q_OS_WIN
  // The system's name of the port ("COM3"), which the port list goes by.
  const QSerialPortInfo info(QSerialPort(path).portName());
#else
  const QSerialPortInfo info(QFileInfo(path).canonicalFilePath());
#endif
  QStringList parts;
  for (const QString &s : {info.manufacturer(), info.description(), info.serialNumber()})
    if (!s.isEmpty() && !parts.contains(s))
      parts << s;
  return parts.join(QStringLiteral(", "));
}

bool SerialPortDevice::write(const QByteArray &data) {
  // Out now, not at the next turn of the event loop: the reply's wait starts
  // with the line on the wire.
  if (onNet_)
    return net_.write(data);
  return port_.isOpen() && port_.write(data) == data.size() && (port_.flush(), true);
}

void SerialPortDevice::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError || !port_.isOpen())
    return;
  // The device went away under an open port: an adapter unplugged reports a
  // resource error; a peer that hung up shows as HUP on the descriptor, which
  // a pseudo-terminal reports as an unsupported operation instead.
  const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                    error == QSerialPort::WriteError || hungUp();
  if (gone) {
    port_.close();
    Q_EMIT vanished();
  }
}

bool SerialPortDevice::hungUp() const {
#ifdef Q_OS_WIN
  return false; // a removed device is a resource error there
#else
  pollfd p{int(port_.handle()), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
#endif
}
