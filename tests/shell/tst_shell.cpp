#include "programrig.h"
#include "portprobe.h"
#include "serialportdevice.h"
#include "simprocess.h"
#include "startup.h"

#include <QTcpServer>
#include <cerrno>
#include <cstring>

using Values = QMap<QString, QString>;
using Answers = QList<Dialogs::Answer>;
using A = Dialogs::Answer;

namespace {

using kt::row;

QString stored(const QString &key) { return SettingsStore().text(key, "<missing>"); }

// The simulator's line, each write held back until `probe` has run inside the wait.
class ProbeDevice : public PortDevice {
public:
  SimPortDevice inner;
  std::function<void()> probe;
  ProbeDevice() {
    connect(&inner, &PortDevice::dataArrived, this, &PortDevice::dataArrived);
    connect(&inner, &PortDevice::vanished, this, &PortDevice::vanished);
  }
  bool open(int portNo, QString *reason) override { return inner.open(portNo, reason); }
  void close() override { inner.close(); }
  bool isOpen() const override { return inner.isOpen(); }
  qint64 bytesAvailable() const override { return inner.bytesAvailable(); }
  QByteArray readAll() override { return inner.readAll(); }
  bool write(const QByteArray &data) override {
    QTimer::singleShot(0, this, [this, data] {
      if (probe)
        probe();
      inner.write(data);
    });
    return true;
  }
  qsizetype received() const { return inner.sim()->receivedLines().size(); }
};

// Ports 1 to 4, no device behind those that do not open; COM5 there, but refused.
class FakePorts : public PortDevice {
public:
  QSet<int> openable;
  int openedPort = 0;
  static QString path(int n) { return kt::path(n == 5 ? u"ttyUSB0"_qs : QStringLiteral("ttyS%1").arg(n)); }
  bool open(int portNo, QString *reason) override {
    if (!openable.contains(portNo)) {
      *reason = QString::fromLocal8Bit(std::strerror(portNo == 5 ? EACCES : ENOENT));
      return false;
    }
    openedPort = portNo;
    return true;
  }
  bool tryPort(int portNo, QString *reason) override {
    if (openable.contains(portNo))
      return true;
    *reason = QString::fromLocal8Bit(std::strerror(portNo == 5 ? EACCES : ENOENT));
    return false;
  }
  void close() override { openedPort = 0; }
  bool isOpen() const override { return openedPort != 0; }
  bool write(const QByteArray &) override { return true; }
  qint64 bytesAvailable() const override { return 0; }
  QByteArray readAll() override { return {}; }
  QString devicePath(int n) const override { return n <= 5 ? path(n) : QString(); }
  QString deviceInfo(int n) const override { return n == 5 ? u"FTDI, FT232R USB UART, A1B2"_qs : QString(); }
};

// Operation data a transfer takes, the parameter page read first when asked.
template <class Line> bool ready(ProgramRig<Line> &r, bool readFirst) {
  r.f().txtDIVISION.setText("4");
  r.f().txtGEAR.setText("10");
  return !readFirst || r.p.paramTransfer.cmdParaRead_Click() == 0;
}

} // namespace

class tst_Shell : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void startWithBadSettings_data() {
    QTest::addColumn<Values>("values");
    QTest::addColumn<QByteArray>("file"); // the settings file itself, when not null
    // Language, port, port held, mm rounded up, mm shown; left, top, width, height, maximised.
    QTest::addColumn<QList<int>>("loaded");
    const QList<int> defaults{1, 1, 1, 1, 1, 1000, 1000, 13500, 9600, 0};
    QTest::newRow("nothing stored") << Values{} << QByteArray() << defaults;
    QTest::newRow("as left") << Values{{"Languege", "5"}, {"PortNo", " 40 "}, {"PortOccupy", "7"},
                                       {"MmRoundUp", "-1"}, {"DispMmUnit", "0"}, {"MainLeft", "2000"},
                                       {"MainTop", "1500"}, {"MainWidth", "15000"}, {"MainHeight", "11000"},
                                       {"MainMaximized", "1"}}
                             << QByteArray() << QList<int>{5, 40, 1, 0, 0, 2000, 1500, 15000, 11000, 1};
    QTest::newRow("not numbers") << Values{{"Languege", "abc"}, {"PortNo", "COM3"}, {"PortOccupy", "yes"},
                                           {"MmRoundUp", ""}, {"DispMmUnit", "x1"}, {"MainWidth", "wide"},
                                           {"MainMaximized", "yes"}, {"MainTop", "nan"}}
                                 << QByteArray() << defaults;
    QTest::newRow("out of range") << Values{{"Languege", "70000"}, {"PortNo", "-40000"}, {"MainLeft", "1e30"},
                                            {"MainWidth", "10"}, {"MainHeight", "9999999"}}
                                  << QByteArray() << defaults;
    QList<int> ends = defaults; // the 16-bit ends are values
    ends[0] = -32768;
    ends[1] = 32767;
    QTest::newRow("16-bit ends") << Values{{"Languege", "-32768"}, {"PortNo", "32767"}} << QByteArray() << ends;
    QList<int> port7 = defaults;
    port7[1] = 7;
    QTest::newRow("not a settings file")
        << Values{} << QByteArray("\x00\xff[Settings\nLanguege\x01=2\r\n[Settings]\nPortNo=7\n", 45) << port7;
  }
  // Whatever the settings hold, the program starts; what is no value it could have is defaulted.
  void startWithBadSettings() {
    QFETCH(QByteArray, file);
    ProgramRig<> r(2, false);
    kt::settings(row<Values>("values"));
    if (!file.isNull())
      QVERIFY(kt::writeFile(QSettings(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6").fileName(),
                            file));
    r.start();
    const Module1 &m = r.p.m;
    const Control &form = r.f().form;
    QTEST((QList<int>{m.Languege, m.PortNo, m.PortOccupy, m.MmRoundUp, m.DispMmUnit, form.left, form.top,
                      form.width, form.height, form.maximized}),
          "loaded");
    QVERIFY(form.isVisible());
    QCOMPARE(r.f().cmdRESET.text(), kt::msg(286, m.Languege == 1 ? 1 : 2));
  }

  void unloadWritesWhatTheOperatorLeft_data() {
    QTest::addColumn<int>("languege");
    QTest::addColumn<bool>("changed"); // the options dialog picked the other language
    QTest::addColumn<QString>("next");
    QTest::addColumn<int>("oneRun"); // --lang for this run; 0: none
    QTest::newRow("Japanese, switched") << 1 << true << "2" << 0;
    QTest::newRow("English, switched") << 2 << true << "1" << 0;
    QTest::newRow("any other switches to Japanese") << 5 << true << "1" << 0;
    QTest::newRow("kept") << 2 << false << "2" << 0;
    QTest::newRow("English for one run") << 1 << false << "1" << 2;
  }
  // File > Exit writes port, language and window place once; the language
  // changes at the next start only (which reads them: startWithBadSettings).
  void unloadWritesWhatTheOperatorLeft() {
    QFETCH(int, languege);
    QFETCH(bool, changed);
    QFETCH(QString, next);
    QFETCH(int, oneRun);
    {
      ProgramRig<> r{qint16(languege), false};
      if (oneRun)
        r.p.languageOverride = qint16(oneRun);
      r.start();
      QSignalSpy quit(&r.p, &Program::quitRequested);
      r.p.m.LangChanged = changed;
      r.p.m.PortNo = 4;
      Control &form = r.f().form;
      std::tie(form.left, form.top, form.width, form.height, form.maximized) =
          std::tuple(3000, 600, 12000, 8000, true); // as the toolkit tells the model
      r.f().mnuFileExit.click();
      QVERIFY(quit.count() == 1 && !form.isVisible());
      QCOMPARE(r.f().cmdRESET.text(), kt::msg(286, oneRun ? oneRun : languege == 1 ? 1 : 2));
      r.p.frmMain_Unload(); // the window closing after Exit must not switch again
    }
    QStringList written;
    for (const char *key : {"Languege", "PortNo", "MainLeft", "MainTop", "MainWidth", "MainHeight",
                            "MainMaximized", "MmRoundUp"})
      written << stored(key);
    QCOMPARE(written, (QStringList{next, "4", "3000", "600", "12000", "8000", "1", "<missing>"}));
  }

  void closingWithUnsavedEdits_data() {
    QTest::addColumn<int>("page"); // whose box the operator edits
    QTest::addColumn<A>("answer");
    QTest::addColumn<QString>("file"); // chosen to save into, without its extension
    QTest::addColumn<bool>("quits");
    for (int page : {0, 1}) {
      const char *name = page == 0 ? "data" : "parameters";
      QTest::addRow("%s: save", name) << page << A::Yes << "exit" << true;
      QTest::addRow("%s: save cancelled", name) << page << A::Yes << "" << false;
      QTest::addRow("%s: save failed", name) << page << A::Yes << "absent/exit" << false;
      QTest::addRow("%s: discard", name) << page << A::No << "" << true;
      QTest::addRow("%s: cancel", name) << page << A::Cancel << "" << false;
    }
  }
  // Edits that exist nowhere else are offered for saving; what keeps the window keeps them.
  void closingWithUnsavedEdits() {
    QFETCH(int, page);
    QFETCH(QString, file);
    QFETCH(bool, quits);
    ProgramRig<> r;
    QVERIFY(page == 0 ? ready(r, false) : r.p.paramTransfer.cmdParaRead_Click() == 0);
    Control &box = page == 0 ? r.f().txtGEAR : r.f().txtHomeVel;
    box.setText("12");
    const QString path = file.isEmpty() ? QString() : kt::path(file + (page == 0 ? ".ztd" : ".pmt"));
    QVERIFY(kt::writeFile(path, QByteArray()));
    r.dialogs.files = {path};
    r.dialogs.answers = {row<A>("answer")};
    QSignalSpy quit(&r.p, &Program::quitRequested);
    r.f().mnuFileExit.click();
    QCOMPARE(r.dialogs.shown.value(0), kt::msg(5210).arg(kt::msg(page == 0 ? 938 : 35)));
    QCOMPARE(quit.count() == 1, quits);
    QCOMPARE(QFileInfo::exists(path), quits && !path.isEmpty());
    QCOMPARE(box.text() == u"12"_qs && r.f().form.isVisible(), !quits);
  }

  // Exit with unsaved edits during a run stops it; the question comes once it has ended.
  void exitDuringARunAsksAfterIt() {
    ProgramRig<ProbeDevice> r;
    QVERIFY(ready(r, false));
    r.f().optCNT.setChecked(true);
    QSignalSpy again(&r.p, &Program::closeRequested);
    int waits = 0;
    r.line.probe = [&] {
      if (++waits == 3)
        r.f().mnuFileExit.click();
    };
    r.f().cmdMOVE.click();
    QVERIFY(r.dialogs.shown.isEmpty() && !r.p.motion.isMoving()); // stopped without a question
    QVERIFY(again.wait(1000));
    QVERIFY(!r.p.mayClose()); // Cancel: the edits stay
    QCOMPARE(r.dialogs.shown, QStringList{kt::msg(5210).arg(kt::msg(938))});
  }

  void closingDuringAWait_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("wait"); // the wait the window closes in, from 1; 0: a silent controller
    QTest::addColumn<Answers>("answers");
    QTest::newRow("silent controller") << "mnuShowCtversion" << 0 << Answers{};
    QTest::newRow("index write") << "cmdLoadtoCt" << 2 << Answers{A::Ok};
    QTest::newRow("index read") << "cmdGetfromCt" << 2 << Answers{A::No, A::Yes};
    QTest::newRow("parameter read") << "cmdParaRead" << 3 << Answers{};
    QTest::newRow("parameter write") << "cmdParaWrite" << 3 << Answers{A::Yes};
    QTest::newRow("verification") << "cmdConpareCT" << 2 << Answers{};
    QTest::newRow("alarm reset") << "cmdRESET" << 1 << Answers{};
    QTest::newRow("version query") << "mnuShowCtversion" << 2 << Answers{};
    QTest::newRow("homing poll") << "cmdHOME" << 4 << Answers{};
    QTest::newRow("move test") << "cmdMOVE" << 3 << Answers{};
  }
  // Closed during a wait of each kind of command: the wait ends at once, the port
  // closes, and nothing more reaches the controller or the operator.
  void closingDuringAWait() {
    QFETCH(int, wait);
    ProgramRig<ProbeDevice> r;
    QVERIFY(ready(r, true));
    r.dialogs.shown.clear();
    r.dialogs.answers = row<Answers>("answers");
    qsizetype linesAtClose = -1, messagesAtClose = -1;
    auto close = [&] {
      r.p.frmMain_Unload();
      linesAtClose = r.line.received();
      messagesAtClose = r.dialogs.shown.size();
    };
    int waits = 0;
    if (wait == 0) {
      r.line.inner.sim()->setFault("*", ControllerSim::Fault::NoReply);
      QTimer::singleShot(0, &r.p, close);
    } else {
      r.line.probe = [&] {
        if (++waits == wait)
          close();
      };
    }
    QElapsedTimer clock;
    clock.start();
    r.f().find(row<QString>("command"))->click();
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(r.line.received(), linesAtClose);
    QCOMPARE(r.dialogs.shown.size(), messagesAtClose);
    QVERIFY(!r.line.isOpen());
    QCOMPARE(stored("Languege"), u"2"_qs);
  }

  // A line lost during the monitor is told once and ends it, as the status line says.
  void monitorEndsOnALostLine() {
    ProgramRig<> r;
    r.f().cmdIoMonitor.click();
    r.p.io.timerInputOutput1_Timer();
    QCOMPARE(r.dialogs.achieved.value(r.dialogs.achieved.size() - 1), kt::msg(5143));
    r.line.sim()->setFault("0RO", ControllerSim::Fault::Vanish);
    r.line.setOpenFailure(u"gone"_qs);
    r.p.io.timerInputOutput1_Timer();
    r.p.io.timerInputOutput1_Timer();
    QCOMPARE(r.dialogs.shown.size(), 1);
    QCOMPARE(r.dialogs.achieved.value(r.dialogs.achieved.size() - 1), kt::msg(5148));
    QVERIFY(!r.p.io.IoMonitoring && r.f().cmdMOVE.isEnabled());
  }

  // Closed while the monitor runs, the controller leaves monitor mode first.
  void closingDuringTheMonitor() {
    ProgramRig<> r;
    r.f().cmdIoMonitor.click();
    r.p.io.timerInputOutput1_Timer();
    r.p.frmMain_Unload();
    QCOMPARE(r.line.sim()->receivedLines().last(), QByteArray("0CM0"));
  }

  void commandsSayWhatTheyDid_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QString>("file"); // chosen in the file dialog; made.pmt is there
    QTest::addColumn<QString>("achieved");
    QTest::newRow("index read") << "cmdGetfromCt" << Answers{A::No, A::Yes} << "" << kt::msg(5100);
    QTest::newRow("index read refused") << "cmdGetfromCt" << Answers{A::No, A::No} << "" << "";
    QTest::newRow("index write") << "cmdLoadtoCt" << Answers{A::Ok} << "" << kt::msg(5101);
    QTest::newRow("index save") << "cmdSaveFile" << Answers{} << "a.ztd" << kt::msg(5103).arg("a.ztd");
    QTest::newRow("parameter read") << "cmdParaRead" << Answers{} << "" << kt::msg(5104);
    QTest::newRow("parameter write") << "cmdParaWrite" << Answers{A::Yes} << "" << kt::msg(5105);
    QTest::newRow("parameter write refused") << "cmdParaWrite" << Answers{A::No} << "" << "";
    QTest::newRow("parameter save cancelled") << "cmdSaveParaFile" << Answers{} << "" << "";
    QTest::newRow("parameter open") << "cmdReadParaFile" << Answers{} << "made.pmt" << kt::msg(5102).arg("made.pmt");
    QTest::newRow("verify with controller") << "cmdConpareCT" << Answers{} << "" << kt::msg(5107);
    QTest::newRow("verify with file") << "cmdConpareFile" << Answers{A::Ok} << "made.pmt"
                                      << kt::msg(5108).arg("made.pmt");
    QTest::newRow("version") << "mnuShowCtversion" << Answers{} << "" << kt::msg(5110).arg("1.10");
    QTest::newRow("alarm reset") << "cmdRESET" << Answers{} << "" << kt::msg(5111);
  }
  // A command that succeeded says so in the status line; one that did not, never.
  void commandsSayWhatTheyDid() {
    QFETCH(QString, file);
    ProgramRig<> r;
    QVERIFY(ready(r, true));
    r.p.paramFile.WriteParaFile(kt::path("made.pmt"));
    r.dialogs.files = {file.isEmpty() ? QString() : kt::path(file)};
    r.dialogs.answers = row<Answers>("answers");
    r.dialogs.achieved.clear();
    r.f().find(row<QString>("command"))->click();
    QFETCH(QString, achieved);
    QCOMPARE(r.dialogs.achieved, achieved.isEmpty() ? QStringList() : QStringList{achieved});
  }

  // The title names the file of the page in front and marks its edits.
  void titleNamesTheFileInFront() {
    ProgramRig<> r;
    FrmMain &f = r.f();
    auto title = [&f] { return f.form.text() + (f.form.isModified() ? u"*"_qs : QString()); };
    const QString plain = title();
    QVERIFY(ready(r, false));
    QCOMPARE(title(), plain + u"*"_qs);
    r.dialogs.files = {kt::path("a.ztd")};
    f.cmdSaveFile.click();
    QCOMPARE(title(), plain + u" — a.ztd"_qs);
    f.txtGEAR.setText("12");
    f.SSTab1.setCurrentTab(1);
    QCOMPARE(title(), plain);
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    r.dialogs.files = {kt::path("b.pmt")};
    f.cmdSaveParaFile.click();
    QCOMPARE(title(), plain + u" — b.pmt"_qs);
    f.SSTab1.setCurrentTab(0);
    QCOMPARE(title(), plain + u" — a.ztd*"_qs);
  }

  void parameterEditsOfferedForSaving_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<A>("answer");
    for (const char *command : {"cmdParaRead", "cmdReadParaFile", "cmdIniPrm"}) {
      QTest::addRow("%s, cancelled", command) << command << A::Cancel;
      QTest::addRow("%s, saved first", command) << command << A::Yes;
    }
  }
  // Parameter edits are offered for saving before a read, a file or the standard values replace them.
  void parameterEditsOfferedForSaving() {
    QFETCH(A, answer);
    ProgramRig<> r;
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    const QString source = kt::path("source.pmt"), saved = kt::path("edits.pmt");
    r.p.paramFile.WriteParaFile(source);
    QVERIFY(kt::writeFile(saved, QByteArray()));
    r.f().txtHomeVel.setText("20");
    r.dialogs.files = answer == A::Yes ? QStringList{saved, source} : QStringList{source};
    r.dialogs.answers = {answer};
    QTimer::singleShot(0, &r.p, [&r] {
      if (r.p.frmDevice.form.isVisible())
        r.p.frmDevice.cmdDeviceSet.click();
    });
    r.dialogs.shown.clear();
    r.f().find(row<QString>("command"))->click();
    QCOMPARE(r.dialogs.shown.value(0), kt::msg(5120));
    QCOMPARE(kt::readFile(saved).contains("20"), answer == A::Yes);
    QCOMPARE(r.f().txtHomeVel.text() == u"20"_qs, answer == A::Cancel);
  }

  void communicationLogSaved_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << "log.txt" << true;
    QTest::newRow("no such folder") << "absent/log.txt" << false;
  }
  // The log is saved as shown; a save that fails says so and leaves no file.
  void communicationLogSaved() {
    QFETCH(bool, saved);
    ProgramRig<> r;
    r.p.log().setRecording(true);
    r.f().mnuShowCtversion.click();
    const QString path = kt::path(row<QString>("file"));
    r.dialogs.files = {path};
    r.dialogs.shown.clear();
    r.p.log().saveAs(r.dialogs);
    const QStringList lines = r.p.log().lines();
    QVERIFY(lines.size() >= 2);
    QCOMPARE(QString::fromUtf8(kt::readFile(path)).split(u'\n', Qt::SkipEmptyParts), saved ? lines : QStringList());
    QCOMPARE(r.dialogs.shown.join(QString()).section(u"\r\n"_qs, 0, 0), saved ? QString() : kt::msg(5183));
  }

  void portPanel_data() {
    QTest::addColumn<QString>("occupy");
    QTest::addColumn<QString>("device"); // --device; empty: the simulator
    QTest::addColumn<bool>("vanish");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("during"); // while "0RV" waits; empty: never sent
    QTest::addColumn<QString>("after");
    const QString sim = u"COM1 — "_qs + kt::msg(5131), open = u"● "_qs + sim;
    const QString missing = u"COM1 — /nonexistent/tty"_qs;
    QTest::newRow("held open") << "1" << "" << false << sim << open << open;
    QTest::newRow("released") << "0" << "" << false << sim << open << sim;
    QTest::newRow("vanished") << "1" << "" << true << sim << open << sim;
    QTest::newRow("missing port") << "0" << "/nonexistent/tty" << false << missing << "" << missing;
  }
  // The port panel says where and whether the program is connected; a missing port is told when used.
  void portPanel() {
    QFETCH(QString, device);
    ProgramRig<> r(2, false);
    kt::settings({{"PortOccupy", row<QString>("occupy")}, {"Languege", "2"}});
    if (!device.isEmpty())
      r.p.link.setDevice(&r.p.serialPort);
    r.p.deviceOverride = device;
    if (row<bool>("vanish"))
      r.line.sim()->setFault("0RV", ControllerSim::Fault::Vanish);
    r.start();
    auto panel = [&r] { return r.f().sbStatusBar.panelText(FrmMain::PortPanel); };
    QTEST(panel(), "before");
    QString during;
    connect(r.line.sim(), &ControllerSim::lineReceived, this, [&](const QByteArray &l) {
      if (l == "0RV")
        during = panel();
    });
    r.f().mnuShowCtversion.click();
    QTEST(during, "during");
    QTEST(panel(), "after");
    if (!device.isEmpty()) { // told once, left in the status line, and the window stays usable
      QVERIFY(r.dialogs.shown.size() == 1 && r.dialogs.last().startsWith(kt::msg(109)) && r.f().cmdMOVE.isEnabled());
      QVERIFY(r.dialogs.achieved.last().startsWith(kt::msg(109) + u' '));
    } else { // on the simulator the status line said what it is, until then
      QCOMPARE(r.dialogs.achieved.value(0), kt::msg(5307));
    }
  }

  void options_data() {
    QTest::addColumn<QList<int>>("openable");
    QTest::addColumn<int>("choose");   // the port chosen at OK; 0: as loaded
    QTest::addColumn<int>("language"); // 0 Japanese chosen, 1 Japanese then English, -1 none
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("roundUp"); // stored, and so checked at opening
    using L = QList<int>;
    // The language's message comes alone: no port to choose is told without a box.
    QTest::newRow("no port opens, Japanese chosen") << L{} << 0 << 0 << 1 << QStringList{kt::msg({420, 421})} << true;
    QTest::newRow("COM3 while COM1 is held") << L{1, 3} << 3 << -1 << 3 << QStringList() << false;
    QTest::newRow("Japanese chosen") << L{1} << 0 << 0 << 1 << QStringList{kt::msg({420, 421})} << true;
    QTest::newRow("Japanese, then English again") << L{1} << 0 << 1 << 1 << QStringList() << false;
  }
  // Options lists the ports that open and why a device there did not; OK applies, the language later.
  void options() {
    QFETCH(QList<int>, openable);
    QFETCH(int, choose);
    QFETCH(int, language);
    QFETCH(bool, roundUp);
    ProgramRig<FakePorts> r(2, false);
    kt::settings({{"Languege", "2"}, {"PortOccupy", "1"}, {"MmRoundUp", roundUp ? "1" : "0"},
                  {"DispMmUnit", roundUp ? "0" : "1"}}); // its frame hidden: kept as stored
    QVERIFY(kt::writeFile(FakePorts::path(5), "")); // there, but refused
    r.line.openable = QSet<int>(openable.begin(), openable.end());
    r.start();
    if (!openable.isEmpty())
      QCOMPARE(r.p.link.CommPortOpen(), qint16(0)); // COM1 held
    auto label = [](int n) { return QStringLiteral("COM%1 — ").arg(n) + FakePorts::path(n); };
    QStringList items;
    QString problems;
    QList<bool> rounding;
    int held = -1;
    QTimer::singleShot(0, &r.p, [&] {
      FrmOption &o = r.p.frmOption;
      held = r.line.openedPort;
      items = o.comboPortNo.items();
      rounding = {o.optSutiSyori(0).isChecked(), o.optSutiSyori(1).isChecked()};
      problems = o.lblPortProblems.text();
      if (choose)
        o.comboPortNo.setText(label(choose));
      if (language >= 0)
        o.optLanguege(0).setChecked(true);
      if (language == 1)
        o.optLanguege(1).setChecked(true);
      o.chkPortOccupy.setChecked(false);
      o.cmdOK.click();
    });
    r.f().mnuViewOption.click();
    QStringList listed;
    for (int n : openable)
      listed << label(n);
    QCOMPARE(items, listed);
    QCOMPARE(held, openable.isEmpty() ? 0 : 1); // the scan leaves the held port alone
    QVERIFY2(problems.contains(label(5) + u" (FTDI, FT232R USB UART, A1B2): "_qs + std::strerror(EACCES)) &&
                 problems.contains(kt::msg(5161)) && !problems.contains(u"COM2"_qs),
             qPrintable(problems));
    QCOMPARE(rounding, (QList<bool>{roundUp, !roundUp}));
    QVERIFY(r.p.m.MmRoundUp == roundUp && r.p.m.DispMmUnit == !roundUp);
    QTEST(int(r.p.m.PortNo), "portAfter");
    QTEST(r.dialogs.shown, "shown");
    QCOMPARE(r.dialogs.statuses.contains(kt::msg(110)), openable.isEmpty());
    QVERIFY(!r.p.m.PortOccupy && stored("PortOccupy") == u"0"_qs && r.p.m.Languege == 2);
    QCOMPARE(r.line.openedPort, 0); // closed on OK
  }

  void addNetworkLine_data() {
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("pinned"); // Device7 beforehand
    QTest::addColumn<int>("number");     // the number it reaches; 0: refused
    const QString url = u"tcp://127.0.0.1:1"_qs; // nothing listens there
    QTest::newRow("first free number") << url << "" << 5;
    QTest::newRow("already pinned") << url << url << 7;
    QTest::newRow("not an address") << "tcp://127.0.0.1" << "" << 0;
  }
  // Options pins a network line to the first number no device has, and tells what its probe found.
  void addNetworkLine() {
    QFETCH(QString, entered);
    QFETCH(QString, pinned);
    QFETCH(int, number);
    ProgramRig<SerialPortDevice> r(2, false);
    kt::settings({{"Languege", "2"}, {"Device7", pinned}});
    r.line.portMap().devFolder = kt::path("nodev");
    r.line.portMap().byIdFolder = kt::path("nodev");
    r.start();
    FrmOption &o = r.p.frmOption;
    QString problems;
    QTimer::singleShot(0, &r.p, [&] {
      o.txtNetLine.setText(entered);
      o.cmdAddNetLine.click();
      if (!r.p.options.probe()->running())
        return o.cmdCancel.click();
      connect(r.p.options.probe(), &PortProbe::finished, &r.p, [&] {
        problems = o.lblPortProblems.text();
        o.cmdCancel.click();
      });
    });
    r.f().mnuViewOption.click();
    const QString device = QStringLiteral("Device%1").arg(number);
    QCOMPARE(stored("Device5"), number == 5 ? entered : u"<missing>"_qs);
    if (number) {
      QCOMPARE(stored(device), entered);
      const QString told = kt::msg(5313).arg(number).arg(entered);
      QCOMPARE(r.dialogs.achieved, QStringList({told.arg(kt::msg(5310)), told.arg(u"Connection refused"_qs)}));
      QVERIFY2(problems.contains(r.p.link.portLabel(number) + u": Connection refused"_qs), qPrintable(problems));
    } else {
      QCOMPARE(r.dialogs.shown, QStringList{kt::msg(5235).arg(entered)});
    }
  }

  // Options opens at once and probes every network line together: the scan
  // takes as long as its slowest line, and only the line whose controller
  // answered is listed as reaching one.
  void optionsProbeAllAtOnce() {
    SimProcess sim; // answers after 0.6 of the link check's wait
    const double scale = 0.25, waitMs = PortProbe::ReplyTimeoutMs * scale;
    QVERIFY(sim.startTcp({"--tcp", "0", "--latency", QString::number(waitMs * 0.3)}));
    QTcpServer silent; // accepts and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const QString lines[] = {sim.url.toString(), u"tcp://127.0.0.1:1"_qs,
                             QStringLiteral("tcp://127.0.0.1:%1").arg(silent.serverPort())};
    ProgramRig<SerialPortDevice> r(2, false);
    kt::settings({{"Languege", "2"}, {"Device5", lines[0]}, {"Device6", lines[1]}, {"Device7", lines[2]}});
    r.line.portMap().devFolder = r.line.portMap().byIdFolder = kt::path("nodev");
    r.start();
    Link::setTimeoutScale(scale);
    FrmOption &o = r.p.frmOption;
    QStringList atOpening, atEnd;
    QString problems;
    qint64 openedMs = -1, endedMs = -1;
    QElapsedTimer clock;
    connect(&o.form, &Control::changed, this, [&] {
      if (!o.form.isVisible() || openedMs >= 0)
        return;
      openedMs = clock.elapsed();
      atOpening = o.comboPortNo.items();
      connect(r.p.options.probe(), &PortProbe::finished, &r.p, [&] {
        endedMs = clock.elapsed();
        atEnd = o.comboPortNo.items();
        problems = o.lblPortProblems.text();
        o.cmdCancel.click();
      });
    });
    clock.start();
    r.f().mnuViewOption.click();
    auto item = [&](int n, const QString &found) { return r.p.link.portLabel(n) + u" ("_qs + found + u')'; };
    QCOMPARE(atOpening, QStringList({item(5, kt::msg(5310)), item(6, kt::msg(5310)), item(7, kt::msg(5310))}));
    QCOMPARE(atEnd, QStringList({item(5, kt::msg(5311)), item(7, kt::msg(5312).arg(waitMs / 1000))}));
    QVERIFY2(problems.contains(r.p.link.portLabel(6) + u": Connection refused"_qs), qPrintable(problems));
    // One after another the answering line's 0.6 would come on top of the silent line's wait.
    QVERIFY2(openedMs < waitMs * 0.4 && endedMs >= waitMs && endedMs - openedMs < waitMs * 1.25,
             qPrintable(QStringLiteral("opened %1 ms, ended %2 ms").arg(openedMs).arg(endedMs)));
  }

  // The special group is shown, never edited: its boxes stay disabled through a read.
  void specialGroupReadOnly() {
    ProgramRig<> r;
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    FrmMain &f = r.f();
    for (Control *c : {&f.txtPgCheckTimer, &f.txtLsSerchTimer, &f.comboAutoHome, &f.optEmgLogic(0),
                       &f.optEmgLogic(1), &f.optAlarmAutoClear(0), &f.optAlarmAutoClear(1)})
      QVERIFY2(!c->isEnabled(), qPrintable(c->name()));
  }

  void captionsWholeAndDistinct_data() {
    QTest::addColumn<int>("languege");
    QTest::newRow("Japanese") << 1;
    QTest::newRow("English") << 2;
  }
  // Every caption is a text of the table; no two buttons or options in one frame read alike.
  void captionsWholeAndDistinct() {
    QFETCH(int, languege);
    ProgramRig<> r{qint16(languege)};
    QMap<QString, QString> seen; // frame, page and caption → control
    QStringList same;
    for (Control *c : r.f().controls()) {
      QVERIFY2(!c->text().startsWith(u'#'), qPrintable(c->name()));
      using K = Control::Kind;
      if (c->text().isEmpty() || !QList<K>{K::Button, K::Option, K::Check, K::Frame}.contains(c->kind()))
        continue;
      const QString key = (c->container() ? c->container()->name() : QString()) + QString::number(c->page()) + c->text();
      if (seen.contains(key))
        same << seen[key] + u'=' + c->name();
      seen[key] = c->name();
    }
    QVERIFY2(same.isEmpty(), qPrintable(same.join(u' ')));
  }

};

KOV_TEST_GUILESS_MAIN(tst_Shell)
#include "tst_shell.moc"
