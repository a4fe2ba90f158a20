#pragma once
#include "testenv.h"

#include <QProcess>
#include <QUrl>

// kov-sim on a pseudo-terminal in the test's folder (or on TCP), its wire in a log:
// what the end-to-end tests drive the programs against.
struct SimProcess {
  QProcess proc;
  QString link = kt::path("ztkov");
  QString log = kt::path("wire.log");

  // With --tcp: where it serves, from its first line.
  QUrl url;

  ~SimProcess() { stop(); }
  // Started and its line in place.
  bool start(const QStringList &extra = {}) { return launch(QStringList{"--link", link} + extra); }
  // Served over TCP instead; `extra` holds --tcp ADDRESS.
  bool startTcp(const QStringList &extra) {
    if (!launch(extra))
      return false;
    while (!proc.canReadLine())
      if (!proc.waitForReadyRead(5000))
        return false;
    url = QUrl(QString::fromLatin1(proc.readLine().trimmed()));
    return url.port() > 0;
  }
  void stop() { kt::stop(proc); }
  bool launch(const QStringList &args) {
    stop();
    QFile::remove(log);
    proc.start(KOV_SIM_PATH, QStringList{"--log", log} + args);
    return proc.waitForStarted(5000) && proc.waitForReadyRead(5000);
  }
  // The simulator's log, one entry a line.
  QList<QByteArray> wire() const {
    QList<QByteArray> lines = kt::readFile(log).split('\n');
    lines.removeAll(QByteArray());
    return lines;
  }
};

// One run of a command-line program with no terminal; its output kept.
struct Run {
  int code = -1;
  QByteArray out, err;
};
inline Run runProgram(const QString &program, const QStringList &args, int msecs = 20000,
                      const QString &folder = {}) {
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.setWorkingDirectory(folder);
  p.start(program, args);
  Run r;
  if (!p.waitForFinished(msecs)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return r;
}
