// The program and kov-t6-cli against kov-sim --chaos on a pseudo-terminal,
// through the real serial port, for KOV_SOAK_SECONDS (default 20): the
// operator's commands in a random order, the saves failing at random.
// No command may hang (the CLI gets 30 s), every failure must reach the
// operator, no file may change unless its save said so, and the controller
// may only receive well-formed lines, and no commit after a refused part.
#include "fakedialogs.h"
#include "program.h"
#include "simprocess.h"
#include "wholefile.h"

#include <QRandomGenerator>
#include <cerrno>
#include <map>

using Lines = QList<QByteArray>;

namespace {
// Questions are answered Yes, except the offers to save first.
struct SoakDialogs : FakeDialogs {
  Answer showMessage(const Told &text, Buttons buttons, Icon icon, const QString &more) override {
    FakeDialogs::showMessage(text, buttons, icon, more);
    if (buttons == Buttons::Ok || text.numbers.contains(369) || text.numbers.contains(5120))
      return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    return buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  }
  qsizetype told() const { return shown.size() + statuses.size(); }
};

// A disk that fails one in five of the writes, syncs and renames.
struct FlakyDisk : wholefile::FileOps {
  explicit FlakyDisk(quint32 seed) : rng(seed) {}
  QRandomGenerator rng;
  int failures = 0;
  bool fail(int error) { return rng.bounded(5) == 0 && (++failures, errno = error, true); }
  ssize_t write(int fd, const char *data, size_t n) override { return fail(ENOSPC) ? -1 : FileOps::write(fd, data, n); }
  int fsync(int fd) override { return fail(EIO) ? -1 : FileOps::fsync(fd); }
  int rename(const char *from, const char *to) override { return fail(EROFS) ? -1 : FileOps::rename(from, to); }
};

QByteArray contents(const QString &path) { return QFile::exists(path) ? kt::readFile(path) : "(none)"; }

// The lines a controller may receive, and what must come right before each
// commit or write, latest first: a fault "! error" between breaks that.
const QRegularExpression WellFormed(QStringLiteral(
    "^0(CM[0-7]|RA|AR|RV|%C|WE|WF|RI|RO|RP01|WP01[0-9A-F]{16}|WA0101|RD[0127]|"
    "WD[0127][0-9A-F]{32}|MP0[01]|WO[0-9A-F]{2})$"));
const QList<std::pair<QByteArray, Lines>> Before{{"0WE", {"0WD2", "0WD1", "0WD0", "0RA"}}, {"0WF", {"0WD7"}},
    {"0WA0101", {"0WP01", "0RA"}}, {"0WD0", {"0RA"}}, {"0WP01", {"0RA"}}};
} // namespace

class tst_Soak : public QObject {
  Q_OBJECT
  std::map<QString, QByteArray> files; // every file saved and what it must hold

  // Runs one command of the operator, or of kov-t6-cli on the same line; its name.
  QString command(Program &p, SoakDialogs &dialogs, int which) {
    const QString ztd = kt::path("point.ztd"), pmt = kt::path("params.pmt");
    switch (which) {
    case 0: p.indexData.cmdGetfromCt_Click(); return "index read";
    case 1: p.indexData.LoadtoCtMain(); return "index write";
    case 2: p.paramTransfer.cmdParaRead_Click(); return "params read";
    case 3: p.paramTransfer.cmdParaWrite_Click(); return "params write";
    case 4: p.verification.cmdConpareCT_Click(); return "verification";
    case 5: p.controller.cmdRESET_Click(); return "alarm reset";
    case 6: p.controller.mnuShowCtversion_Click(); return "version";
    case 7: p.motion.cmdHOME_Click(); return "homing";
    case 8: p.frmMain.optSTEP.setChecked(true), p.motion.cmdMOVE_Click(); return "move";
    case 9:
      p.io.IoMonitorStart();
      for (int i = 0; i < 12 && p.io.IoMonitoring; ++i)
        i == 3 ? p.io.IoMonitorStop() : p.io.timerInputOutput1_Timer();
      if (p.io.IoMonitoring)
        qFatal("the monitor did not stop");
      return "monitor";
    case 10:
    case 11: {
      const qsizetype before = dialogs.told();
      const QString file = which == 10 ? ztd : pmt;
      dialogs.files = {file};
      if (which == 10 ? p.positionFile.SaveFileProc() : p.paramFile.cmdSaveParaFile_Click() == 0)
        files[file] = contents(file);
      else if (dialogs.told() == before)
        qFatal("a save failed without a word");
      return which == 10 ? "ztd save" : "pmt save";
    }
    case 12: dialogs.files = {ztd}, p.positionFile.FileOpenProc(); return "ztd open";
    case 13: dialogs.files = {pmt}, p.paramFile.cmdReadParaFile_Click(); return "pmt open";
    }
    static const QList<QStringList> cli{{"status"}, {"version"}, {"index", "read"}, {"params", "read"}};
    const QStringList &args = cli[which - 14];
    const QString name = u"cli "_qs + args.join(u' '), out = kt::path(u"cli-"_qs + args.last());
    const QByteArray before = contents(out);
    QStringList full{"--device", p.deviceOverride, "--lang", "en", "--yes", "--timeout-scale", "0.2"};
    full << args << (args.size() > 1 ? QStringList{"-o", out} : QStringList());
    const Run run = runProgram(KOV_CLI_PATH, full, 30000);
    if (run.code < 0 || (run.code != 0 && run.err.trimmed().isEmpty()))
      qFatal("%s hung, crashed or failed without a word", qPrintable(name));
    if (run.code == 0 && args.size() > 1)
      files[out] = contents(out);
    else if (contents(out) != before)
      qFatal("a failed %s changed its file", qPrintable(name));
    return name;
  }

  // What spoiled an exchange since it was last cleared; a line lost before
  // a command used it is connected again, not told, and is no fault.
  struct FaultWatch {
    bool problem = false, lost = false;
    QObject listening; // the connection ends with the watch
    explicit FaultWatch(Link &link) {
      QObject::connect(&link, &Link::traffic, &listening, [this](Link::Traffic kind, const QByteArray &, bool) {
        if (kind == Link::Traffic::Lost || kind == Link::Traffic::Reconnected)
          lost = kind == Link::Traffic::Lost;
        else
          problem = problem || (kind != Link::Traffic::Sent && kind != Link::Traffic::Received);
      });
    }
    bool any() const { return problem || lost; }
    void clear() { problem = lost = false; }
  };

private Q_SLOTS:
  void soak() {
    const int asked = qEnvironmentVariableIntValue("KOV_SOAK_SECONDS");
    const quint32 seed = quint32(qMax(1, qEnvironmentVariableIntValue("KOV_SOAK_SEED")));
    kt::settings({{"Languege", "2"}, {"PortOccupy", "0"}});
    // Timeouts of 200 ms to 1 s: the late replies (2.5 s) arrive in later exchanges.
    Link::setTimeoutScale(0.2);
    FlakyDisk disk(seed);
    wholefile::SetDefaultOps(&disk);
    const auto restore = qScopeGuard([] { wholefile::SetDefaultOps(nullptr); });

    // A line that vanishes ends kov-sim; a new one comes up on the same
    // path, as an adapter plugged in again would. Its log is kept first.
    SimProcess sim;
    Lines wire;
    int starts = 0;
    const auto serve = [&] {
      if (sim.proc.state() != QProcess::NotRunning)
        return true;
      if (starts > 0 && (sim.proc.exitStatus() != QProcess::NormalExit || sim.proc.exitCode() != 0))
        return false;
      wire += sim.wire() << QByteArray();
      return sim.start({"--time-scale", "0.05", "--chaos", "0.08", "--seed", QString::number(seed + starts++)});
    };
    QVERIFY(serve());
    SoakDialogs dialogs;
    Program p(dialogs);
    p.deviceOverride = sim.link;
    p.Main(false);
    p.frmMain.txtDIVISION.setText("4");
    p.frmMain.txtGEAR.setText("10");

    FaultWatch faults(p.link);

    QRandomGenerator rng(seed);
    std::map<QString, int> runs;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < (asked > 0 ? asked : 20) * 1000) {
      QVERIFY2(serve(), "kov-sim failed");
      const int which = int(rng.bounded(18));
      faults.clear();
      const qsizetype before = dialogs.told();
      const QString name = command(p, dialogs, which);
      if (which < 14 && faults.any() && dialogs.told() == before)
        qFatal("%s met a fault the operator was not told of", qPrintable(name));
      if (p.serialPort.isOpen())
        qFatal("%s left the port open", qPrintable(name));
      ++runs[name];
      for (const auto &[path, bytes] : files)
        if (contents(path) != bytes)
          qFatal("%s changed after %s without a save that said so", qPrintable(path), qPrintable(name));
      QCoreApplication::processEvents();
    }
    p.link.CommPortClose();
    sim.stop();
    wire += sim.wire();

    Lines seen;
    int mode = 0;
    for (const QByteArray &l : wire) {
      if (l.startsWith("! "))
        ++runs[QString::fromLatin1(l)];
      if (l.startsWith("! ") && l != "! error")
        continue;
      QVERIFY2(l.isEmpty() || l == "! error" || WellFormed.match(QString::fromLatin1(l)).hasMatch(), l.constData());
      for (const auto &[line, parts] : Before)
        for (qsizetype i = 0; l.startsWith(line) && i < parts.size(); ++i)
          QVERIFY2(seen.value(seen.size() - 1 - i).startsWith(parts[i]), (l + " without " + parts[i]).constData());
      mode = l.startsWith("0CM") && l != "0CM6" ? l.at(3) - '0' : mode;
      QVERIFY2(mode == 7 || !l.startsWith("0WO"), "outputs written outside monitor mode");
      seen << l;
    }
    QStringList summary;
    for (const auto &[name, n] : runs)
      summary << QStringLiteral("%1 %2").arg(name).arg(n);
    qInfo().noquote() << summary.join(u", "_qs) << "; kov-sim started" << starts << "times;" << disk.failures
                      << "failed disk calls";
    QVERIFY(runs.begin()->first.startsWith(u'!')); // faults were injected: they sort first
  }
};

// The shared start, and QtTest's watchdog outlasting a long soak.
static void testStart() {
  kt::start();
  if (const int seconds = qEnvironmentVariableIntValue("KOV_SOAK_SECONDS"); seconds > 0)
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((seconds + 300) * 1000));
}
Q_COREAPP_STARTUP_FUNCTION(testStart)
QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
