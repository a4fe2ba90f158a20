// The program and kov-t6-cli against kov-sim --chaos on a pseudo-terminal,
// through the real serial port, for KOV_SOAK_SECONDS (default 30): every
// command of the operator in a random order, the saves failing at random.
// Nothing may hang past its reply timeout, every failure must reach the
// operator, no file may change unless its save said so, and the controller
// must only ever receive well-formed lines in the order the program promises.
#include "dialogs.h"
#include "program.h"
#include "wholefile.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <map>

namespace {

// Questions are answered Yes, except the offers to save first.
class SoakDialogs : public Dialogs {
public:
  explicit SoakDialogs(const Module1 &m) : m_(m) {}
  int messages = 0;
  QStringList files; // answers of the file dialogs, in turn
  Answer message(const QString &text, Buttons buttons, Icon, const QString &) override {
    ++messages;
    if (buttons == Buttons::Ok)
      return Answer::Ok;
    if (text.contains(m_.msg(369)) || text.contains(m_.msg(5120)))
      return Answer::No;
    return buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  }
  void status(const QString &) override { ++messages; }
  void done(const QString &) override {}
  void setBusy(bool) override {}
  QString saveFileName(const FileDialog &) override { return files.isEmpty() ? QString() : files.takeFirst(); }
  QString openFileName(const FileDialog &d) override { return saveFileName(d); }

private:
  const Module1 &m_;
};

// A disk that fails one in five of the writes, syncs and renames.
class FlakyDisk : public wholefile::FileOps {
public:
  explicit FlakyDisk(quint32 seed) : rng_(seed) {}
  int failures = 0;
  ssize_t write(int fd, const char *data, size_t size) override {
    return fail(ENOSPC) ? -1 : FileOps::write(fd, data, size);
  }
  int fsync(int fd) override { return fail(EIO) ? -1 : FileOps::fsync(fd); }
  int rename(const char *from, const char *to) override {
    return fail(EROFS) ? -1 : FileOps::rename(from, to);
  }

private:
  bool fail(int error) {
    if (rng_.bounded(5) != 0)
      return false;
    ++failures;
    errno = error;
    return true;
  }
  QRandomGenerator rng_;
};

// The lines a controller may receive.
const QRegularExpression WellFormed(QStringLiteral(
    "^0(CM[0-7]|RA|AR|RV|%C|WE|WF|RI|RO|RP01|WP01[0-9A-F]{16}|WA0101|RD[0127]|"
    "WD[0127][0-9A-F]{32}|MP0[01]|WO[0-9A-F]{2})$"));

QByteArray contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

} // namespace

class tst_Soak : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void soak();

private:
  void startSim();
  // Runs one command of the operator; its name.
  QString runCommand(Program &p, SoakDialogs &dialogs, int which);
  QString runCli(int which);
  void checkFiles(const QString &after);
  void checkWire(const QList<QByteArray> &lines);

  QTemporaryDir dir_;
  QString link_;
  QProcess *sim_ = nullptr;
  quint32 seed_ = 1;
  int simStarts_ = 0;
  QStringList logs_;
  std::map<QString, QByteArray> files_; // every file and what it must hold
};

void tst_Soak::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  QSettings s(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6");
  s.setValue("Settings/Languege", "2");
  s.setValue("Settings/PortOccupy", "0");
  s.sync();
  link_ = dir_.filePath("ztkov");
  seed_ = quint32(qEnvironmentVariableIntValue("KOV_SOAK_SEED"));
  if (seed_ == 0)
    seed_ = 1;
  startSim();
}

void tst_Soak::cleanupTestCase() {
  if (sim_) {
    sim_->disconnect();
    sim_->terminate();
    sim_->waitForFinished(5000);
  }
}

// A line that vanishes ends kov-sim; a new one comes up on the same path,
// as an adapter plugged in again would.
void tst_Soak::startSim() {
  const QString log = dir_.filePath(QStringLiteral("wire-%1.log").arg(simStarts_));
  logs_ << log;
  if (sim_)
    sim_->deleteLater();
  sim_ = new QProcess(this);
  // A test that stops at a broken promise takes kov-sim with it.
  sim_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  sim_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  connect(sim_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0)
      qFatal("kov-sim ended with %d", code);
    startSim();
  });
  sim_->start(QStringLiteral(KOV_SIM_PATH),
              {"--link", link_, "--log", log, "--time-scale", "0.05", "--chaos", "0.08", "--seed",
               QString::number(seed_ + quint32(simStarts_))});
  ++simStarts_;
  if (!sim_->waitForStarted(5000) || !sim_->waitForReadyRead(5000))
    qFatal("kov-sim did not start");
}

QString tst_Soak::runCommand(Program &p, SoakDialogs &dialogs, int which) {
  FrmMain &f = p.frmMain;
  const QString ztd = dir_.filePath("point.ztd"), pmt = dir_.filePath("params.pmt");
  switch (which) {
  case 0: p.indexData.cmdGetfromCt_Click(); return "index read";
  case 1: p.indexData.LoadtoCtMain(); return "index write";
  case 2: p.paramTransfer.cmdParaRead_Click(); return "params read";
  case 3: p.paramTransfer.cmdParaWrite_Click(); return "params write";
  case 4: p.verification.cmdConpareCT_Click(); return "verification";
  case 5: p.controller.cmdRESET_Click(); return "alarm reset";
  case 6: p.controller.mnuShowCtversion_Click(); return "version";
  case 7: p.motion.cmdHOME_Click(); return "homing";
  case 8:
    f.optSTEP.setChecked(true);
    p.motion.cmdMOVE_Click();
    return "move";
  case 9:
    p.io.IoMonitorStart();
    for (int i = 0; i < 12 && p.io.IoMonitoring; ++i) {
      if (i == 3)
        p.io.IoMonitorStop();
      p.io.timerInputOutput1_Timer();
    }
    if (p.io.IoMonitoring)
      qFatal("the monitor did not stop");
    return "monitor";
  case 10:
  case 11: {
    const int before = dialogs.messages;
    const bool ztdSave = which == 10;
    dialogs.files = {ztdSave ? ztd : pmt};
    if (ztdSave ? p.positionFile.SaveFileProc() : p.paramFile.cmdSaveParaFile_Click() == 0)
      files_[ztdSave ? ztd : pmt] = contents(ztdSave ? ztd : pmt);
    else if (dialogs.messages == before)
      qFatal("a save failed without a word");
    return ztdSave ? "ztd save" : "pmt save";
  }
  case 12:
    dialogs.files = {ztd};
    p.positionFile.FileOpenProc();
    return "ztd open";
  default:
    dialogs.files = {pmt};
    p.paramFile.cmdReadParaFile_Click();
    return "pmt open";
  }
}

// kov-t6-cli on the same line, between the program's commands.
QString tst_Soak::runCli(int which) {
  static const QList<QStringList> commands{
      {"status"}, {"version"}, {"index", "read", "-o", "cli.ztd"}, {"params", "read", "-o", "cli.pmt"}};
  const QStringList &args = commands[which % commands.size()];
  const QString out = args.size() > 3 ? dir_.filePath(args[3]) : QString();
  QStringList full = args;
  if (!out.isEmpty())
    full[3] = out;
  const QByteArray before = out.isEmpty() ? QByteArray() : contents(out);
  QProcess cli;
  cli.start(QStringLiteral(KOV_CLI_PATH),
            QStringList{"--device", link_, "--lang", "en", "--timeout-scale", "0.2", "--yes"} + full);
  QElapsedTimer t;
  t.start();
  // Meanwhile the event loop runs, so a vanished kov-sim comes back.
  while (!cli.waitForFinished(50) && t.elapsed() < 30000)
    QCoreApplication::processEvents();
  if (cli.state() != QProcess::NotRunning)
    qFatal("kov-t6-cli %s hangs", qPrintable(args.join(' ')));
  if (cli.exitStatus() != QProcess::NormalExit)
    qFatal("kov-t6-cli %s crashed", qPrintable(args.join(' ')));
  if (cli.exitCode() != 0 && cli.readAllStandardError().trimmed().isEmpty())
    qFatal("kov-t6-cli %s failed without a word", qPrintable(args.join(' ')));
  if (!out.isEmpty()) {
    if (cli.exitCode() == 0)
      files_[out] = contents(out);
    else if (contents(out) != before)
      qFatal("a failed kov-t6-cli %s changed its file", qPrintable(args.join(' ')));
  }
  return QStringLiteral("cli ") + args.first() + (args.size() > 1 ? u' ' + args[1] : QString());
}

void tst_Soak::checkFiles(const QString &after) {
  for (const auto &[path, bytes] : files_)
    if (contents(path) != bytes)
      qFatal("%s changed after %s without a save that said so", qPrintable(path), qPrintable(after));
}

// Every line well formed, and the writes in the order promised: the status
// checked before the data, all three blocks before "0WE", the record
// before "0WA", outputs only in monitor mode.
void tst_Soak::checkWire(const QList<QByteArray> &lines) {
  QList<QByteArray> seen;
  int mode = 0;
  for (const QByteArray &l : lines) {
    QVERIFY2(WellFormed.match(QString::fromLatin1(l)).hasMatch(), l.constData());
    const auto back = [&seen](int n) { return seen.size() >= n ? seen[seen.size() - n] : QByteArray(); };
    if (l == "0WE")
      QVERIFY2(back(1).startsWith("0WD2") && back(2).startsWith("0WD1") && back(3).startsWith("0WD0") &&
                   back(4) == "0RA",
               "0WE without its blocks");
    if (l.startsWith("0WD0"))
      QVERIFY2(back(1) == "0RA", "a block write without the status check");
    if (l.startsWith("0WD1") || l.startsWith("0WD2"))
      QVERIFY2(back(1).startsWith("0WD" + QByteArray::number(l.at(3) - '1')), "a block out of order");
    if (l == "0WA0101")
      QVERIFY2(back(1).startsWith("0WP01") && back(2) == "0RA", "0WA without its record");
    if (l.startsWith("0WP01"))
      QVERIFY2(back(1) == "0RA", "a record write without the status check");
    if (l.startsWith("0CM") && l != "0CM6")
      mode = l.at(3) - '0';
    if (l.startsWith("0WO"))
      QVERIFY2(mode == 7, "outputs written outside monitor mode");
    seen << l;
  }
}

void tst_Soak::soak() {
  const int asked = qEnvironmentVariableIntValue("KOV_SOAK_SECONDS");
  const int seconds = asked > 0 ? asked : 30;
  // Timeouts of 200 ms to 1 s: the late replies (2.5 s) arrive in later exchanges.
  Link::setTimeoutScale(0.2);
  FlakyDisk disk(seed_);
  wholefile::SetDefaultOps(&disk);
  const auto restore = qScopeGuard([] { wholefile::SetDefaultOps(nullptr); });

  Module1 texts;
  texts.useLanguege(2);
  SoakDialogs dialogs(texts);
  Program p(dialogs);
  p.deviceOverride = link_;
  p.Main(false);
  p.frmMain.txtDIVISION.setText("4");
  p.frmMain.txtGEAR.setText("10");

  // Each exchange: from the line sent to its reply or timeout.
  QElapsedTimer exchange;
  qint64 budgetMs = 0, worstOverMs = -1000000;
  bool waiting = false, problem = false;
  connect(&p.link, &Link::traffic, this, [&](Link::Traffic kind, const QByteArray &, bool) {
    switch (kind) {
    case Link::Traffic::Sent:
      exchange.start();
      budgetMs = qint64(p.link.TimeOutMs * Link::timeoutScale());
      waiting = true;
      return;
    case Link::Traffic::Received:
      break;
    default:
      problem = true;
      break;
    }
    if (waiting && (kind == Link::Traffic::Received || kind == Link::Traffic::Timeout)) {
      worstOverMs = qMax(worstOverMs, exchange.elapsed() - budgetMs);
      waiting = false;
    }
  });

  QRandomGenerator rng(seed_);
  std::map<QString, int> runs;
  int failuresTold = 0;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < seconds * 1000) {
    QString name;
    const int which = int(rng.bounded(16));
    if (which >= 14) {
      name = runCli(int(rng.bounded(4)));
    } else {
      problem = false;
      const int before = dialogs.messages;
      name = runCommand(p, dialogs, which);
      if (problem) {
        if (dialogs.messages == before)
          qFatal("%s met a fault the operator was not told of", qPrintable(name));
        ++failuresTold;
      }
      if (p.serialPort.isOpen())
        qFatal("%s left the port open", qPrintable(name));
    }
    ++runs[name];
    checkFiles(name);
    QCoreApplication::processEvents();
  }
  p.link.CommPortClose();

  int lines = 0;
  std::map<QByteArray, int> faults;
  for (const QString &log : logs_) {
    QList<QByteArray> received;
    for (const QByteArray &l : contents(log).split('\n')) {
      if (l.startsWith("! "))
        ++faults[l.mid(2)];
      else if (!l.isEmpty())
        received << l;
    }
    lines += int(received.size());
    checkWire(received);
  }
  QStringList summary;
  for (const auto &[name, n] : runs)
    summary << QStringLiteral("%1 %2").arg(name).arg(n);
  qInfo().noquote() << "commands:" << summary.join(", ");
  QStringList injected;
  int faultCount = 0;
  for (const auto &[kind, n] : faults) {
    injected << QStringLiteral("%1 %2").arg(QString::fromLatin1(kind)).arg(n);
    faultCount += n;
  }
  qInfo().noquote() << "lines" << lines << "faults injected" << faultCount << "(" + injected.join(", ") + ")"
                    << "kov-sim started" << simStarts_ << "times;" << failuresTold
                    << "commands met a fault and told it;" << disk.failures << "failed disk calls;"
                    << "worst wait over its timeout" << worstOverMs << "ms";
  QVERIFY(faultCount > 0);
  QVERIFY(worstOverMs < 250);
}

int main(int argc, char **argv) {
  // QtTest's watchdog must outlast a long soak.
  const int seconds = qEnvironmentVariableIntValue("KOV_SOAK_SECONDS");
  if (seconds > 0 && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((seconds + 300) * 1000));
  QGuiApplication app(argc, argv);
  tst_Soak test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
