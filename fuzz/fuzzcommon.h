#pragma once
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every target needs once per process: an application object, the
// settings in a folder of their own, and a folder for the files it writes.
struct FuzzEnv {
  QTemporaryDir dir;
  FuzzEnv() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit()); // the history too
  }
  QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

inline FuzzEnv &fuzzEnv() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char *argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static FuzzEnv env;
  return env;
}

inline void writeBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::abort();
  }
}

// The fuzzer's input without the byte that chose what to run.
inline QByteArray restOf(const uint8_t *data, size_t size) {
  return size > 1 ? QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1))
                  : QByteArray();
}

// A promise broken: libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(cond)                                                                   \
  do {                                                                                     \
    if (!(cond)) {                                                                         \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);       \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
