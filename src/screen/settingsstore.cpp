#include "settingsstore.h"

#include <QSettings>
#include <limits>

namespace {
// Windows keeps them in the registry (a test run may pick an INI file of its
// own as the default format); elsewhere ~/.config/KOV-T6/KOV-T6.ini.
QSettings::Format storeFormat() {
#ifdef Q_OS_WIN
  return QSettings::defaultFormat();
#else
  return QSettings::IniFormat;
#endif
}
} // namespace

QString SettingsStore::text(const QString &key, const QString &fallback) const {
  QSettings s(storeFormat(), QSettings::UserScope, ApplicationName, ApplicationName);
  return s.value(QStringLiteral("Settings/") + key, fallback).toString();
}

qint64 SettingsStore::integer(const QString &key, qint64 fallback) const {
  bool ok = false;
  const qint64 v = text(key).trimmed().toLongLong(&ok);
  return ok ? v : fallback;
}

qint16 SettingsStore::int16(const QString &key, qint16 fallback) const {
  const qint64 v = integer(key, fallback);
  return (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
             ? fallback
             : qint16(v);
}

double SettingsStore::number(const QString &key, double fallback) const {
  bool ok = false;
  const double v = text(key).trimmed().toDouble(&ok);
  return ok ? v : fallback;
}

bool SettingsStore::flag(const QString &key, bool fallback) const {
  return integer(key, fallback ? 1 : 0) > 0;
}

void SettingsStore::write(const QString &key, const QString &value) {
  QSettings s(storeFormat(), QSettings::UserScope, ApplicationName, ApplicationName);
  s.setValue(QStringLiteral("Settings/") + key, value);
  s.sync();
}
