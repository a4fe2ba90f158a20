#include "portmap.h"
#include "settingsstore.h"

#include <QDir>
#include <QFileInfo>
#ifdef Q_OS_WIN
#include <QSerialPortInfo>
#endif

QStringList PortMap::usbAdapters() const {
  QStringList adapters;
  QStringList reached; // devices that already have a stable name
  const QDir byId(byIdFolder);
  for (const QFileInfo &fi : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
    adapters << fi.absoluteFilePath();
    reached << fi.canonicalFilePath();
  }
  const QDir dev(devFolder);
  for (const QFileInfo &fi : dev.entryInfoList({"ttyUSB*", "ttyACM*"}, QDir::System | QDir::Files,
                                               QDir::Name)) {
    if (!reached.contains(fi.canonicalFilePath()))
      adapters << fi.absoluteFilePath();
  }
  return adapters;
}

QString PortMap::devicePath(int portNo) const {
  if (overrides_.contains(portNo))
    return overrides_.value(portNo);
  const QString stored = SettingsStore().text(QStringLiteral("Device%1").arg(portNo)).trimmed();
  if (!stored.isEmpty())
    return stored;
#ifdef Q_OS_WIN
  return windowsPort(portNo);
#else
  if (portNo >= 1 && portNo < FirstUsbPort)
    return QStringLiteral("%1/ttyS%2").arg(devFolder).arg(portNo - 1);
  return usbAdapters().value(portNo - FirstUsbPort);
#endif
}

#ifdef Q_OS_WIN
QString PortMap::windowsPort(int portNo) const {
  if (portNo < 1 || portNo > 32)
    return {};
  // Listing the ports asks the device manager: once a second is enough for
  // a probe's 32 numbers and a status bar that follows every open.
  if (!listedAt_.isValid() || listedAt_.hasExpired(1000)) {
    listed_.clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
      listed_ << info.portName().toUpper();
    listedAt_.start();
  }
  const QString name = QStringLiteral("COM%1").arg(portNo);
  return listed_.contains(name) ? QStringLiteral("\\\\.\\") + name : QString();
}
#endif
