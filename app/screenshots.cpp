// Pictures of the program for the manual and the docs, taken from the real
// windows on the built-in simulator: kov-t6-screenshots DIR ja|en.
#include "chartwindows.h"
#include "commlogwindow.h"
#include "historymodel.h"
#include "historywindow.h"
#include "lineswindow.h"
#include "comparewindow.h"
#include "mainwindow.h"
#include "parameterfile.h"
#include "program.h"
#include "qtdialogs.h"
#include "setrescaptions.h"
#include "simportdevice.h"
#include "startup.h"
#include "settingsstore.h"
#include "tcpbridge.h"
#include "windows.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {
// The status line as an operator sees it; boxes answered at once, since no
// one is there to close them.
class ShotDialogs : public QtDialogs {
public:
  ShotDialogs() : QtDialogs([] { return false; }) {}
  QString saveFileName(const FileDialog &) override { return {}; }
  QString openFileName(const FileDialog &) override { return {}; }

protected:
  Answer showMessage(const Told &, Buttons buttons, Icon, const QString &) override {
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::Yes : Answer::Cancel;
  }
};

QWidget *windowOf(const QList<QWidget *> &windows, const Window &model) {
  for (QWidget *x : windows)
    if (x->isVisible() && x->windowTitle().startsWith(model.form.text()))
      return x;
  return nullptr;
}

// One picture a window, named for the manual and the language; the ones
// that could not be taken are counted.
struct Shots {
  QString out, lang;
  int failed = 0;
  void operator()(QWidget *x, const QString &name) {
    QCoreApplication::processEvents(); // laid out and painted
    const QString file = QStringLiteral("%1/%2-%3.png").arg(out, name, lang);
    if (!x || !x->grab().save(file)) {
      std::fprintf(stderr, "kov-t6-screenshots: %s not taken\n", qPrintable(file));
      ++failed;
    }
  }
};

void compareShot(Program &p, MainWindow &w, Shots &shot) {
  // That page saved, against the controller: the two, and the two values
  // the page always writes as 1.
  QTemporaryDir files;
  const QString saved = files.filePath(QStringLiteral("machine2.pmt"));
  QFile f(saved);
  if (f.open(QIODevice::WriteOnly))
    f.write(parafile::Format(p.params.screenRecord()));
  f.close();
  p.compare.a = ParamCompare::Side::file(saved);
  p.compare.b = ParamCompare::Side::of(ParamCompare::Source::Controller);
  p.frmMain.mnuFileCompare.click();
  p.compare.run();
  shot(w.compareWindow(), QStringLiteral("compare"));
  w.compareWindow()->hide();
}

void timelineShot(Program &p, MainWindow &w, SimPortDevice &simulated, Shots &shot) {
  // The timeline over 4 s: STB turning over every 0.6 s, OUT1 switched off
  // halfway; the markers on two rising edges of STB, the cursor on a third.
  simulated.sim()->setInputWord(0);
  simulated.sim()->setInputCycle(600);
  auto wait = [](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  };
  p.frmMain.cmdIoMonitor.click();
  wait(2000);
  p.frmMain.imgWhiteIcon(24).dblClick();
  wait(2000);
  p.frmMain.cmdIoTimeline.click();
  TimelineWindow *t = w.timelineWindow();
  p.frmMain.cmdIoMonitor.click();
  wait(400); // the monitor ends on its next tick
  QList<qint64> rising;
  for (const IoHistory::Change &c : p.io.history().changes())
    if (c.row == 0 && c.on && c.ms > 0)
      rising << c.ms;
  TraceChart *chart = t->chart();
  chart->view.showAll(0, p.io.history().lastMs() + 300);
  chart->view.markerA = rising.value(0);
  chart->view.markerB = rising.value(1);
  chart->pointAt(rising.value(2) + 150);
  t->refresh();
  shot(t, QStringLiteral("timeline"));
  t->hide();
  simulated.sim()->setInputCycle(0);
}

void moveStatsShot(Program &p, MainWindow &w, SimPortDevice &simulated, Shots &shot) {
  // Statistics of a run of twelve moves with a 0.2 s dwell.
  simulated.sim()->setTimeScale(0.4);
  p.frmMain.optCNT.setChecked(true);
  p.frmMain.chkTimerUse.setChecked(true);
  p.frmMain.txtTimer.setText(QStringLiteral("2"));
  const auto stop = QObject::connect(&p.motion, &MotionTest::moveCompleted, &p.motion, [&p](int n) {
    if (n == 12)
      p.motion.cmdSTOP_Click();
  });
  p.motion.cmdMOVE_Click();
  QObject::disconnect(stop);
  p.frmMain.cmdMoveStats.click();
  shot(w.statsWindow(), QStringLiteral("movestats"));
  w.statsWindow()->hide();
  p.frmMain.chkTimerUse.setChecked(false);
}

void networkOptionsShot(Program &p, const QList<QWidget *> &windows, const QString &noDevices, Shots &shot) {
  // A network line pinned to COM5 that answers (a simulator at a local
  // device server) and one at COM6 that does not; no serial ports.
  ControllerSim served;
  TcpBridge server(&served, TcpBridge::Mode::Rfc2217, 0);
  QString error;
  if (!server.listen(QStringLiteral("4001"), &error) && !server.listen(QStringLiteral("0"), &error))
    std::fprintf(stderr, "kov-t6-screenshots: %s\n", qPrintable(error));
  SettingsStore store;
  store.write(QStringLiteral("Device5"), server.url());
  store.write(QStringLiteral("Device6"), QStringLiteral("tcp://127.0.0.1:1"));
  p.serialPort.portMap().devFolder = noDevices;
  p.serialPort.portMap().byIdFolder = noDevices;
  p.link.setDevice(&p.serialPort);
  p.m.PortNo = 5;
  p.options.Form_Load();
  p.frmOption.txtNetLine.setText(QStringLiteral("rfc2217://10.0.0.7:4001"));
  p.frmOption.form.setVisible(true);
  shot(windowOf(windows, p.frmOption), QStringLiteral("options-network"));
  p.frmOption.form.setVisible(false);
  p.link.CommPortClose();
}

// Until the views' deferred layouts (a stretched column) have run.
void settle() {
  QEventLoop loop;
  QTimer::singleShot(100, &loop, &QEventLoop::quit);
  loop.exec();
}

void linesShot(Program &p, MainWindow &w, Shots &shot) {
  // Three lines of a plant, the press in use.
  HistoryDb &db = p.memory.db();
  const bool ja = p.m.japanese();
  db.addLine({QStringLiteral("press-1"), QStringLiteral("tcp://10.0.0.7:4001"),
              ja ? QStringLiteral("プレスライン 1 号機") : QStringLiteral("Press line, station 1")});
  db.addLine({QStringLiteral("lathe-2"), QStringLiteral("/dev/ttyUSB0"),
              ja ? QStringLiteral("旋盤セル") : QStringLiteral("Lathe cell")});
  db.addLine({QStringLiteral("assembly-3"), QStringLiteral("3"),
              ja ? QStringLiteral("組立テーブル") : QStringLiteral("Assembly table")});
  p.memory.chooseLine(QStringLiteral("press-1"));
  p.frmMain.mnuContLines.click();
  w.linesWindow()->table()->selectRow(1); // the press in bold below it
  settle();
  shot(w.linesWindow(), QStringLiteral("lines"));
  w.linesWindow()->hide();
}

void historyShot(Program &p, MainWindow &w, Shots &shot) {
  // A read, a safe write of a changed value, the read approved, a drift
  // found and the approved set restored, on the press.
  SettingsStore().write(QStringLiteral("SafeWrite"), 1);
  p.params.document.setEdited(false); // the earlier scenes' edits, dropped
  p.indexData.document.setEdited(false);
  p.frmMain.SSTab1.setCurrentTab(1);
  p.frmMain.cmdParaRead.click();
  p.frmMain.cmdGetfromCt.click();
  HistoryDb::Filter reads;
  reads.limit = 2;
  for (const HistoryDb::Entry &e : p.memory.db().entries(reads))
    p.memory.db().approve(e.id);
  p.frmMain.txtPgAlarm.setText(QStringLiteral("150"));
  p.frmMain.cmdParaWrite.click();
  p.frmMain.mnuContCheck.click();
  p.frmMain.mnuContHistory.click();
  HistoryWindow *h = w.historyWindow();
  h->view()->selectRow(h->model()->rowCount() - 1);
  h->findChildren<QPushButton *>().at(1)->click(); // Restore…
  p.frmMain.mnuContCheck.click();
  h->view()->selectRow(h->model()->rowCount() - 1);
  settle();
  shot(h, QStringLiteral("history"));
  h->hide();
  SettingsStore().write(QStringLiteral("SafeWrite"), 0);
  p.memory.forgetLine();
  p.frmMain.SSTab1.setCurrentTab(0);
}

void lostLineShots(Program &p, MainWindow &w, Shots &shot) {
  // COM7's device server hangs up under a version read: the read ends,
  // told; the next one connects again, and the log shows both.
  ControllerSim dropping;
  TcpBridge dropServer(&dropping, TcpBridge::Mode::Rfc2217, 0);
  QString error;
  dropServer.listen(QStringLiteral("0"), &error);
  SettingsStore().write(QStringLiteral("Device7"), dropServer.url());
  p.log().clear();
  p.link.setDevice(&p.serialPort);
  p.m.PortNo = 7;
  dropping.setFault("*", ControllerSim::Fault::Vanish, 1);
  p.controller.mnuShowCtversion_Click();
  shot(&w, QStringLiteral("main-lost"));
  p.controller.mnuShowCtversion_Click();
  shot(w.commLogWindow(), QStringLiteral("commlog-lost"));
}
} // namespace

// Settings of its own, the pictures not depending on the user's; a history
// of its own, made by the scenes.
void ownSettings(const QTemporaryDir &folder, const QString &lang) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
  QSettings stored(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6");
  stored.setValue("Settings/Languege", lang == u"ja" ? "1" : "2");
  stored.setValue("Settings/HistoryDatabase", folder.filePath(QStringLiteral("history.sqlite")));
}

// The options' History tab: a safe write, and a shared history.
void historyOptionsShot(Program &p, const QList<QWidget *> &windows, Shots &shot) {
  p.options.Form_Load();
  p.frmOption.SSTabOption.setCurrentTab(3);
  p.frmOption.chkSafeWrite.setChecked(true);
  p.frmOption.txtHistoryDb.setText(QStringLiteral("postgresql://kov@db.plant:5432/kov"));
  p.frmOption.form.setVisible(true);
  shot(windowOf(windows, p.frmOption), QStringLiteral("options-history"));
  p.frmOption.form.setVisible(false);
}

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3 || (args[2] != "ja" && args[2] != "en")) {
    std::fputs("usage: kov-t6-screenshots DIR ja|en\n", stderr);
    return 2;
  }
  const QString out = args[1], lang = args[2];
  QTemporaryDir settings;
  ownSettings(settings, lang);

  SimPortDevice simulated;
  ShotDialogs dialogs;
  Program p(dialogs);
  MainWindow w(p);
  dialogs.setOwner(&w);
  const QList<QWidget *> windows = buildWindows(p, &w);
  p.link.setDevice(&simulated);
  p.Main(false);
  Shots shot{out, lang};

  // Connected, as after asking for the version and reading the parameters.
  p.controller.mnuShowCtversion_Click();
  p.paramTransfer.cmdParaRead_Click();
  w.resize(w.sizeHint());
  auto *tabs = w.findChild<QTabWidget *>("SSTab1");
  for (int page = 0; page < 2; ++page) {
    tabs->setCurrentIndex(page);
    shot(&w, QStringLiteral("main-page%1").arg(page));
  }

  // Two values changed from the controller's standard set, marked.
  p.frmMain.txtHomeVel.setText(QStringLiteral("20"));
  p.frmMain.txtPgAlarm.setText(QStringLiteral("150"));
  p.frmMain.chkStdMark.setChecked(true);
  shot(&w, QStringLiteral("params-marked"));
  compareShot(p, w, shot);
  p.frmMain.chkStdMark.setChecked(false);
  p.paramTransfer.cmdParaRead_Click();

  // The monitor running: STB on, OUT1 switched on by a double-click.
  tabs->setCurrentIndex(0);
  simulated.sim()->setInputWord(0x800);
  p.frmMain.cmdIoMonitor.click();
  p.io.timerInputOutput1_Timer();
  p.frmMain.imgWhiteIcon(24).dblClick();
  p.io.timerInputOutput1_Timer();
  shot(&w, QStringLiteral("main-monitor"));
  p.frmMain.cmdIoMonitor.click();
  p.io.timerInputOutput1_Timer();
  timelineShot(p, w, simulated, shot);
  moveStatsShot(p, w, simulated, shot);

  p.options.Form_Load();
  p.frmOption.form.setVisible(true);
  shot(windowOf(windows, p.frmOption), QStringLiteral("options"));
  p.frmOption.form.setVisible(false);
  networkOptionsShot(p, windows, settings.filePath(QStringLiteral("none")), shot);
  p.link.setDevice(&simulated);
  historyOptionsShot(p, windows, shot);
  linesShot(p, w, shot);
  historyShot(p, w, shot);

  SetResCaptions(p.frmAbout, p.m.messages());
  p.frmAbout.lblVersion.setText(VersionText(KOV_VERSION_MAJOR, KOV_VERSION_MINOR, KOV_VERSION_PATCH));
  p.frmAbout.form.setVisible(true);
  shot(windowOf(windows, p.frmAbout), QStringLiteral("about"));
  p.frmAbout.form.setVisible(false);

  p.frmMain.mnuViewCommLog.click();
  p.paramTransfer.cmdParaRead_Click();
  shot(w.commLogWindow(), QStringLiteral("commlog"));
  lostLineShots(p, w, shot);

  qDeleteAll(windows);
  return shot.failed == 0 ? 0 : 1;
}
