#pragma once
#include "testenv.h"

#include <QProcess>

// kov-sim on a pseudo-terminal in the test's folder, its wire in a log:
// what the end-to-end tests drive the programs against.
struct SimProcess {
  QProcess proc;
  QString link = kt::path("ztkov");
  QString log = kt::path("wire.log");

  ~SimProcess() { stop(); }
  // Started and its line in place.
  bool start(const QStringList &extra = {}) {
    stop();
    QFile::remove(log);
    proc.start(KOV_SIM_PATH, QStringList{"--link", link, "--log", log} + extra);
    return proc.waitForStarted(5000) && proc.waitForReadyRead(5000);
  }
  void stop() {
    if (proc.state() == QProcess::NotRunning)
      return;
    proc.terminate();
    if (!proc.waitForFinished(5000))
      proc.kill();
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
inline Run runProgram(const QString &program, const QStringList &args, int msecs = 20000) {
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
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
