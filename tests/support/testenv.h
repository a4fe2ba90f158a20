#pragma once
// What every test program shares: settings and files in one temporary
// folder, the message texts from the table, files written and read whole.
#include "messagetable.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace kt {

inline QTemporaryDir &dir() {
  static QTemporaryDir d;
  return d;
}
inline QString path(const QString &name) { return dir().filePath(name); }

// The program's own settings file, emptied, then holding `values`
// ("Languege" → "2", in [Settings]).
inline void settings(const QMap<QString, QString> &values = {}) {
  QSettings s(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6");
  s.clear();
  for (auto it = values.begin(); it != values.end(); ++it)
    s.setValue("Settings/" + it.key(), it.value());
  s.sync();
}

// Message n in Japanese (1) or English (2).
inline QString msg(int n, int languege = 2) {
  return Messages(languege == 2 ? msgtable::EnglishBase : 0).text(n);
}
inline QString msg(std::initializer_list<int> ns, int languege = 2) {
  return Messages(languege == 2 ? msgtable::EnglishBase : 0).joined(ns);
}

// The current data row's value in `column`, where QFETCH will not do (a
// helper's own, or a value changed before it is compared).
template <class T> T row(const char *column) { return *static_cast<T *>(QTest::qData(column, qMetaTypeId<T>())); }

// A helper process ended: asked first, then killed.
inline void stop(QProcess &proc) {
  if (proc.state() == QProcess::NotRunning)
    return;
  proc.terminate();
  if (!proc.waitForFinished(5000))
    proc.kill();
}

// Writes the file whole (a null text removes it); false when it could not.
inline bool writeFile(const QString &file, const QByteArray &bytes) {
  QFile f(file);
  if (bytes.isNull())
    return !f.exists() || f.remove();
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
inline QByteArray readFile(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs as the application object is made, before any test: the settings
// of a test run are its own, empty at the start.
inline void start() {
  if (!dir().isValid())
    qFatal("no temporary folder");
#ifdef Q_OS_WIN
  QSettings::setDefaultFormat(QSettings::IniFormat); // not the registry the user's run keeps
#endif
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir().path());
  qputenv("XDG_CONFIG_HOME", dir().filePath("config").toLocal8Bit()); // for child processes
  qputenv("XDG_DATA_HOME", dir().filePath("data").toLocal8Bit());     // the history among them
  settings();
}

} // namespace kt

// The startup macro names a function of its own after its argument, which
// therefore cannot be qualified.
inline void kovTestStart() { kt::start(); }

// QTEST_MAIN and QTEST_GUILESS_MAIN with the shared start.
#define KOV_TEST_MAIN(TestObject)                                                                  \
  Q_COREAPP_STARTUP_FUNCTION(kovTestStart)                                                         \
  QTEST_MAIN(TestObject)
#define KOV_TEST_GUILESS_MAIN(TestObject)                                                          \
  Q_COREAPP_STARTUP_FUNCTION(kovTestStart)                                                         \
  QTEST_GUILESS_MAIN(TestObject)
