#include "portmap.h"
#include "settingsstore.h"

#include <QDir>
#include <QFileInfo>

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
  if (portNo >= 1 && portNo < FirstUsbPort)
    return QStringLiteral("%1/ttyS%2").arg(devFolder).arg(portNo - 1);
  return usbAdapters().value(portNo - FirstUsbPort);
}
