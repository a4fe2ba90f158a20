#pragma once
#include <QString>

// The per-user settings store: application "KOV-T6", section "Settings",
// every value kept as text; in the registry on Windows.
class SettingsStore {
public:
  static constexpr const char *ApplicationName = "KOV-T6";

  // The stored text, or `fallback` when the key is missing.
  QString text(const QString &key, const QString &fallback = {}) const;
  // The stored whole number; `fallback` when it is missing or not a number.
  qint64 integer(const QString &key, qint64 fallback) const;
  // A 16-bit setting; anything that is not a 16-bit number gives `fallback`.
  qint16 int16(const QString &key, qint16 fallback) const;
  // The stored number; `fallback` when it is missing or not a number.
  double number(const QString &key, double fallback) const;
  // A flag is on when its stored integer is above 0.
  bool flag(const QString &key, bool fallback) const;

  void write(const QString &key, const QString &value);
  void write(const QString &key, qint64 value) { write(key, QString::number(value)); }
};
