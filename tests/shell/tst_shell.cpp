#include "fakedialogs.h"
#include "program.h"
#include "simportdevice.h"
#include "startup.h"
#include "help.h"

#include <cerrno>
#include <cstring>

#include <QRegularExpression>
#include <functional>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Values = QHash<QString, QString>;

class tst_Shell : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void init();
  void loadSettings_data();
  void loadSettings();
  void languageChangeTakesEffectAtNextStart();
  void unloadWritesBackOnce();
  void mainWindowPlaceRemembered_data();
  void mainWindowPlaceRemembered();
  void mainWindowLoad_data();
  void mainWindowLoad();
  void exitUnloadsAndQuits();
  void exitAsksForUnsavedEdits_data();
  void exitAsksForUnsavedEdits();
  void exitDuringARunAsksAfterIt();
  void closingDuringAWait_data();
  void closingDuringAWait();
  void noCommandDuringAWait_data();
  void noCommandDuringAWait();
  void commandsSayWhatTheyDid_data();
  void commandsSayWhatTheyDid();
  void titleNamesTheFileInFront();
  void parameterEditsOfferedForSaving_data();
  void portPanel_data();
  void portText_data();
  void portText();
  void helpPath_data();
  void helpPath();
  void options_data();
  void options();
  void portsThatDidNotOpen();
  void portPanel();
  void parameterEditsOfferedForSaving();
  void versionText_data();
  void versionText();
  void placement_data();
  void placement();
  void fitOnScreen_data();
  void fitOnScreen();

private:
  void store(const QHash<QString, QString> &values);
  QString stored(const QString &key);
  QTemporaryDir dir_;
};

void tst_Shell::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
}

void tst_Shell::init() {
  QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message")));
  QSettings s(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6");
  s.clear();
}

void tst_Shell::store(const QHash<QString, QString> &values) {
  SettingsStore st;
  for (auto it = values.begin(); it != values.end(); ++it)
    st.write(it.key(), it.value());
}

QString tst_Shell::stored(const QString &key) { return SettingsStore().text(key, "<missing>"); }

void tst_Shell::loadSettings_data() {
  QTest::addColumn<Values>("values");
  QTest::addColumn<int>("languege");
  QTest::addColumn<int>("langBase");
  QTest::addColumn<int>("portNo");
  QTest::addColumn<bool>("occupy");
  QTest::addColumn<bool>("roundUp");
  QTest::addColumn<bool>("mmUnit");
  using H = Values;
  QTest::newRow("empty store") << H{} << 1 << 0 << 1 << true << true << true;
  QTest::newRow("english 2") << H{{"Languege", "2"}, {"PortNo", "3"}} << 2 << 10000 << 3 << true << true << true;
  QTest::newRow("english 5") << H{{"Languege", "5"}} << 5 << 10000 << 1 << true << true << true;
  QTest::newRow("flags off") << H{{"PortOccupy", "0"}, {"MmRoundUp", "-1"}, {"DispMmUnit", "0"}}
                             << 1 << 0 << 1 << false << false << false;
  QTest::newRow("flag above 0") << H{{"PortOccupy", "7"}} << 1 << 0 << 1 << true << true << true;
  QTest::newRow("garbage") << H{{"Languege", "abc"}, {"PortNo", "COM3"}, {"PortOccupy", "yes"},
                                {"MmRoundUp", ""}, {"DispMmUnit", "x1"}}
                           << 1 << 0 << 1 << true << true << true;
  QTest::newRow("beyond 16 bits") << H{{"Languege", "70000"}, {"PortNo", "-40000"}}
                                  << 1 << 0 << 1 << true << true << true;
  QTest::newRow("port kept as stored") << H{{"PortNo", " 40 "}} << 1 << 0 << 40 << true << true << true;
}

void tst_Shell::loadSettings() {
  QFETCH(Values, values);
  store(values);
  Module1 m;
  m.LangChanged = true;
  LoadSettings(m, SettingsStore());
  QTEST(int(m.Languege), "languege");
  QTEST(m.LangBase, "langBase");
  QTEST(int(m.PortNo), "portNo");
  QTEST(m.PortOccupy, "occupy");
  QTEST(m.MmRoundUp, "roundUp");
  QTEST(m.DispMmUnit, "mmUnit");
  QVERIFY(!m.LangChanged);
}

void tst_Shell::languageChangeTakesEffectAtNextStart() {
  {
    FakeDialogs dialogs_p;
  Program p(dialogs_p);
    p.Main(false);
    QCOMPARE(p.frmMain.cmdRESET.text(), u"リセット"_qs);
    p.m.LangChanged = true; // the options dialog picked English
    p.m.PortNo = 4;
    QCOMPARE(p.frmMain.cmdRESET.text(), u"リセット"_qs);
    p.frmMain_Unload();
  }
  QCOMPARE(stored("Languege"), u"2"_qs);
  QCOMPARE(stored("PortNo"), u"4"_qs);
  FakeDialogs dialogs_next;
  Program next(dialogs_next);
  next.Main(false);
  QCOMPARE(next.m.LangBase, 10000);
  QCOMPARE(next.frmMain.cmdRESET.text(), u"Alarm Reset"_qs);
}

void tst_Shell::unloadWritesBackOnce() {
  store({{"Languege", "5"}});
  FakeDialogs dialogs_p;
  Program p(dialogs_p);
  p.Main(false);
  p.m.LangChanged = true;
  p.frmMain_Unload();
  QCOMPARE(stored("Languege"), u"1"_qs); // any value but 1 switches to 1
  QVERIFY(!p.frmMain.form.isVisible());
  p.frmMain_Unload(); // closing after File > Exit must not switch again
  QCOMPARE(stored("Languege"), u"1"_qs);
  // Keys that are only read are never written.
  QCOMPARE(stored("PortOccupy"), u"<missing>"_qs);
}

void tst_Shell::mainWindowPlaceRemembered_data() {
  QTest::addColumn<Values>("values");
  QTest::addColumn<QList<int>>("loaded"); // left, top, width, height, maximised
  using H = Values;
  QTest::newRow("nothing stored") << H{} << QList<int>{1000, 1000, 13500, 9600, 0};
  QTest::newRow("as left") << H{{"MainLeft", "2000"}, {"MainTop", "1500"}, {"MainWidth", "15000"},
                                {"MainHeight", "11000"}, {"MainMaximized", "1"}}
                           << QList<int>{2000, 1500, 15000, 11000, 1};
  QTest::newRow("sizes no window has") << H{{"MainWidth", "10"}, {"MainHeight", "9999999"}}
                                       << QList<int>{1000, 1000, 13500, 9600, 0};
  QTest::newRow("garbage") << H{{"MainWidth", "wide"}, {"MainMaximized", "yes"}}
                           << QList<int>{1000, 1000, 13500, 9600, 0};
  QTest::newRow("places no screen has") << H{{"MainLeft", "1e30"}, {"MainTop", "nan"}}
                                        << QList<int>{1000, 1000, 13500, 9600, 0};
}

// The main window opens where and as large as the operator left it.
void tst_Shell::mainWindowPlaceRemembered() {
  QFETCH(Values, values);
  store(values);
  FakeDialogs dialogs;
  Program p(dialogs);
  p.Main(false);
  Control &form = p.frmMain.form;
  QTEST((QList<int>{form.left, form.top, form.width, form.height, form.maximized ? 1 : 0}), "loaded");
  // The operator moves, resizes and maximises it; the toolkit tells the model.
  form.left = 3000;
  form.top = 600;
  form.width = 12000;
  form.height = 8000;
  form.maximized = true;
  p.frmMain_Unload();
  const QStringList keys{"MainLeft", "MainTop", "MainWidth", "MainHeight", "MainMaximized"};
  QStringList written;
  for (const QString &k : keys)
    written << stored(k);
  QCOMPARE(written, (QStringList{"3000", "600", "12000", "8000", "1"}));
}

void tst_Shell::mainWindowLoad_data() {
  QTest::addColumn<QString>("languege");
  QTest::addColumn<bool>("helpShown");
  QTest::addColumn<QString>("readButton");
  QTest::addColumn<QString>("pageCaption");
  QTest::addColumn<QString>("autoDrive1");
  QTest::addColumn<QString>("fileMenu");
  QTest::newRow("japanese") << "1" << true << u"ｺﾝﾄﾛｰﾗから読み込み"_qs << u"移動・編集"_qs
                            << u"1. 励磁OFF"_qs << u"ファイル(&F)"_qs;
  QTest::newRow("english") << "2" << true << u"Read from C/T"_qs << u"MOVE・EDIT"_qs
                           << u"1. Drive-OFF"_qs << u"File(&F)"_qs;
  QTest::newRow("other") << "5" << true << u"Read from C/T"_qs << u"MOVE・EDIT"_qs
                         << u"1. Drive-OFF"_qs << u"File(&F)"_qs;
}

void tst_Shell::mainWindowLoad() {
  QFETCH(QString, languege);
  store({{"Languege", languege}, {"MainLeft", "2400"}});
  FakeDialogs dialogs_p;
  Program p(dialogs_p);
  p.Main(false);
  FrmMain &f = p.frmMain;
  QVERIFY(f.form.isVisible());
  QCOMPARE(f.form.left, 2400);
  QCOMPARE(f.form.top, 1000);
  QTEST(f.mnuHelpContents.isVisible(), "helpShown");
  QTEST(f.cmdGetfromCt.text(), "readButton");
  QTEST(f.SSTab1.tabCaption(0), "pageCaption");
  QTEST(f.comboAxisAutoDrv.items().value(1), "autoDrive1");
  QTEST(f.mnuFile.text(), "fileMenu");
  QCOMPARE(f.cmdParaRead.text(), p.m.msg(613)); // bound through its Tag

  QCOMPARE(f.comboVEL.items().size(), 30);
  QCOMPARE(f.comboVEL.items().first(), u"30"_qs);
  QCOMPARE(f.comboVEL.itemData(29), 29);
  QCOMPARE(f.comboVEL.text(), u"1"_qs);
  QCOMPARE(f.comboVEL.listIndex(), 29);
  QCOMPARE(f.comboACC.items(), (QStringList{"3", "2", "1"}));
  QCOMPARE(f.comboACC.listIndex(), 2);
  QVERIFY(!f.txtVEL.isVisible());
  QVERIFY(!f.txtACC.isVisible());
  QCOMPARE(f.comboHomeOut.itemData(1), 1);
  QVERIFY(!f.txtPgCheckTimer.isEnabled());
  QCOMPARE(f.txtLsSerchTimer.backColor(), colors::LightGrey);
  QVERIFY(!f.comboAutoHome.isEnabled());
  QCOMPARE(f.SSTabPrm.tabCaption(1), p.m.msg(611));
  QCOMPARE(f.lblstatus.text(), QString());
}

void tst_Shell::exitUnloadsAndQuits() {
  FakeDialogs dialogs_p;
  Program p(dialogs_p);
  p.Main(false);
  QSignalSpy quit(&p, &Program::quitRequested);
  p.m.PortNo = 7;
  p.frmMain.mnuFileExit.click();
  QCOMPARE(quit.count(), 1);
  QCOMPARE(stored("PortNo"), u"7"_qs);
  QCOMPARE(stored("Languege"), u"1"_qs);
}

void tst_Shell::exitAsksForUnsavedEdits_data() {
  QTest::addColumn<int>("page"); // whose box the operator edits
  QTest::addColumn<Dialogs::Answer>("answer");
  QTest::addColumn<bool>("fileChosen");
  QTest::addColumn<bool>("quits");
  using A = Dialogs::Answer;
  for (int page : {0, 1}) {
    const char *name = page == 0 ? "data" : "parameters";
    QTest::addRow("%s: save", name) << page << A::Yes << true << true;
    QTest::addRow("%s: save cancelled", name) << page << A::Yes << false << false;
    QTest::addRow("%s: discard", name) << page << A::No << false << true;
    QTest::addRow("%s: cancel", name) << page << A::Cancel << false << false;
  }
}

void tst_Shell::exitAsksForUnsavedEdits() {
  QFETCH(int, page);
  QFETCH(Dialogs::Answer, answer);
  QFETCH(bool, fileChosen);
  FakeDialogs dialogs;
  Program p(dialogs);
  p.Main(false);
  FrmMain &f = p.frmMain;
  if (page == 0) {
    f.txtDIVISION.setText("4");
    f.txtGEAR.setText("9");
  } else {
    p.params.DevChoice = {"28", "L", 100};
    QCOMPARE(p.params.LoadStdPara(), qint16(0));
    p.params.ParametaHyoji();
    f.txtHomeVel.setText("12");
  }
  const QString path = dir_.filePath(QStringLiteral("exit.") + (page == 0 ? "ztd" : "pmt"));
  QFile::remove(path);
  if (fileChosen)
    dialogs.files = {path};
  dialogs.answers = {answer};
  QSignalSpy quit(&p, &Program::quitRequested);
  f.mnuFileExit.click();
  QTEST(quit.count() == 1, "quits");
  QCOMPARE(dialogs.shown.value(0), p.m.msg(5210).arg(p.m.msg(page == 0 ? 938 : 35)));
  QCOMPARE(QFileInfo::exists(path), fileChosen);
  // Nothing is asked where nothing is unsaved.
  if (quit.isEmpty() && answer == Dialogs::Answer::Cancel) {
    (page == 0 ? p.indexData.document : p.params.document).setEdited(false);
    f.mnuFileExit.click();
    QCOMPARE(quit.count(), 1);
    QCOMPARE(dialogs.shown.size(), 1);
  }
}

// The simulator's line, held back at each write until `probe` has run
// inside the transaction's wait.
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
};

// Starts `p` on `line` without the splash, with operation data a transfer
// takes, the parameter page read from the controller first when asked.
// False when that read failed.
static bool startForCommands(Program &p, PortDevice &line, bool readFirst) {
  p.link.setDevice(&line);
  p.Main(false);
  p.frmMain.txtDIVISION.setText("4");
  p.frmMain.txtGEAR.setText("10");
  return !readFirst || p.paramTransfer.cmdParaRead_Click() == 0;
}

// Unsaved edits and a continuous run: Exit stops the run, and the question
// comes once it has ended.
void tst_Shell::exitDuringARunAsksAfterIt() {
  FakeDialogs dialogs;
  Program p(dialogs);
  ProbeDevice line;
  QVERIFY(startForCommands(p, line, false));
  p.frmMain.optCNT.setChecked(true);
  p.frmMain.txtHomeVel.setText("12");
  QSignalSpy again(&p, &Program::closeRequested);
  int waits = 0;
  line.probe = [&] {
    if (++waits == 3)
      p.frmMain.mnuFileExit.click();
  };
  p.frmMain.cmdMOVE.click();
  QVERIFY(dialogs.shown.isEmpty()); // the run stopped without a question
  QVERIFY(!p.motion.isMoving());
  QVERIFY(again.wait(1000));
  QVERIFY(p.mayClose() == false); // Cancel: the edits stay
  QCOMPARE(dialogs.shown, QStringList{p.m.msg(5210).arg(p.m.msg(938))});
}

// The window closed during a wait of each kind of command: the wait ends at
// once, the port closes, and nothing more reaches the controller or the
// operator (the silent row: a controller that never answers).
void tst_Shell::closingDuringAWait_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("readFirst");
  QTest::addColumn<int>("wait"); // the wait the window closes in, from 1
  QTest::addColumn<QList<Dialogs::Answer>>("answers");
  using A = QList<Dialogs::Answer>;
  QTest::newRow("silent controller") << "mnuShowCtversion" << false << 0 << A{};
  QTest::newRow("index write") << "cmdLoadtoCt" << false << 2 << A{Dialogs::Answer::Ok};
  QTest::newRow("index read") << "cmdGetfromCt" << false << 2 << A{Dialogs::Answer::No, Dialogs::Answer::Yes};
  QTest::newRow("parameter read") << "cmdParaRead" << false << 3 << A{};
  QTest::newRow("parameter write") << "cmdParaWrite" << true << 3 << A{Dialogs::Answer::Yes};
  QTest::newRow("verification") << "cmdConpareCT" << true << 2 << A{};
  QTest::newRow("alarm reset") << "cmdRESET" << false << 1 << A{};
  QTest::newRow("version query") << "mnuShowCtversion" << false << 2 << A{};
  QTest::newRow("homing poll") << "cmdHOME" << false << 4 << A{};
  QTest::newRow("move test") << "cmdMOVE" << false << 3 << A{};
}

void tst_Shell::closingDuringAWait() {
  QFETCH(QString, command);
  QFETCH(bool, readFirst);
  QFETCH(int, wait);
  ProbeDevice line;
  FakeDialogs dialogs;
  Program p(dialogs);
  QVERIFY(startForCommands(p, line, readFirst));
  dialogs.shown.clear();
  QFETCH(QList<Dialogs::Answer>, answers);
  dialogs.answers = answers;
  qsizetype linesAtClose = -1, messagesAtClose = -1;
  auto close = [&] {
    p.frmMain_Unload();
    linesAtClose = line.inner.sim()->receivedLines().size();
    messagesAtClose = dialogs.shown.size();
  };
  int waits = 0;
  if (wait == 0) {
    line.inner.sim()->setFault("*", ControllerSim::Fault::NoReply);
    QTimer::singleShot(0, &p, close);
  } else {
    line.probe = [&] {
      if (++waits == wait)
        close();
    };
  }
  QElapsedTimer clock;
  clock.start();
  p.frmMain.find(command)->click();
  QVERIFY(clock.elapsed() < 1000);
  QVERIFY(linesAtClose >= 0);
  QCOMPARE(line.inner.sim()->receivedLines().size(), linesAtClose);
  QCOMPARE(dialogs.shown.size(), messagesAtClose);
  QVERIFY(!line.isOpen());
  QCOMPARE(stored("Languege"), u"1"_qs);
}

void tst_Shell::noCommandDuringAWait_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("readFirst"); // the page filled by a read before
  QTest::addColumn<QList<Dialogs::Answer>>("answers");
  using A = QList<Dialogs::Answer>;
  QTest::newRow("index write") << "cmdLoadtoCt" << false << A{Dialogs::Answer::Ok};
  // Edited fields: not saved first (369), then read (370).
  QTest::newRow("index read") << "cmdGetfromCt" << false
                              << A{Dialogs::Answer::No, Dialogs::Answer::Yes};
  QTest::newRow("parameter read") << "cmdParaRead" << false << A{};
  QTest::newRow("parameter write") << "cmdParaWrite" << true << A{Dialogs::Answer::Yes};
  QTest::newRow("verification") << "cmdConpareCT" << true << A{};
  QTest::newRow("alarm reset") << "cmdRESET" << false << A{};
  QTest::newRow("version query") << "mnuShowCtversion" << false << A{};
  QTest::newRow("homing") << "cmdHOME" << false << A{};
  QTest::newRow("move test") << "cmdMOVE" << false << A{};
}

// During every wait, every control the operator can still use is used: none
// may start a transaction (it would be refused) or close the port.
void tst_Shell::noCommandDuringAWait() {
  QFETCH(QString, command);
  QFETCH(bool, readFirst);
  store({{"PortOccupy", "0"}});
  ProbeDevice line;
  line.inner.sim()->setTimeScale(0.01);
  FakeDialogs dialogs;
  Program p(dialogs);
  QVERIFY(startForCommands(p, line, readFirst));
  FrmMain &f = p.frmMain;
  QFETCH(QList<Dialogs::Answer>, answers);
  dialogs.answers = answers;
  const int linesBefore = int(line.inner.sim()->receivedLines().size());

  int waits = 0;
  QStringList used, closedBy, refused;
  bool inProbe = false;
  line.probe = [&] {
    ++waits;
    // After the first fault the rest would only cascade: report that one.
    if (inProbe || !refused.isEmpty() || !closedBy.isEmpty())
      return;
    inProbe = true;
    for (Control *c : f.controls()) {
      const Control::Kind k = c->kind();
      // File > Exit ends the program, which may; Help opens windows only.
      if (c == &f.mnuFileExit || c->container() == &f.mnuHelp)
        continue;
      if ((k == Control::Kind::Button || k == Control::Kind::MenuItem ||
           k == Control::Kind::Check || k == Control::Kind::Option) &&
          c->isEffectivelyEnabled()) {
        used << c->name();
        const int before = p.link.nestedRefusals();
        // A dialog the control opens is closed again, as the operator would.
        QTimer::singleShot(0, &p, [&p] {
          for (Window *w : std::initializer_list<Window *>{&p.frmDevice, &p.frmOption, &p.frmPrintSelect,
                                                          &p.frmAbout})
            if (w->form.isVisible())
              w->requestClose();
        });
        c->click();
        if (p.link.nestedRefusals() != before)
          refused << c->name();
        if (!line.isOpen())
          closedBy << c->name();
        if (!refused.isEmpty() || !closedBy.isEmpty())
          break;
      }
    }
    inProbe = false;
  };
  Control *start = f.find(command);
  QVERIFY(start && start->isEffectivelyEnabled());
  start->click();
  line.probe = nullptr;

  QVERIFY2(waits > 0, "the command never waited");
  QCOMPARE(refused, QStringList());
  QCOMPARE(closedBy, QStringList());
  used.removeDuplicates();
  qInfo() << command << "waited" << waits << "times; usable meanwhile:" << used;
  QVERIFY(line.inner.sim()->receivedLines().size() - linesBefore == waits);
  QVERIFY(!line.isOpen()); // released once the command ended
}

void tst_Shell::commandsSayWhatTheyDid_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("readFirst"); // the parameter page filled by a read
  QTest::addColumn<QList<Dialogs::Answer>>("answers");
  QTest::addColumn<QString>("file"); // chosen in the file dialog; "*.pmt" / "*.ztd" made first
  QTest::addColumn<QString>("achieved");
  using A = QList<Dialogs::Answer>;
  const A no{Dialogs::Answer::No};
  QTest::newRow("index read") << "cmdGetfromCt" << false << A{Dialogs::Answer::No, Dialogs::Answer::Yes}
                              << "" << "Operation data read from the controller";
  QTest::newRow("index read answered No") << "cmdGetfromCt" << false << A{Dialogs::Answer::No, Dialogs::Answer::No}
                                          << "" << "";
  QTest::newRow("index write") << "cmdLoadtoCt" << false << A{Dialogs::Answer::Ok} << ""
                               << "Operation data written to the controller";
  QTest::newRow("index save") << "cmdSaveFile" << false << A{} << "a.ztd" << "Saved: a.ztd";
  QTest::newRow("index open") << "cmdFileOpen" << false << A{} << "*.ztd" << "Opened: made.ztd";
  QTest::newRow("parameter read") << "cmdParaRead" << false << A{} << ""
                                  << "Parameters read from the controller";
  QTest::newRow("parameter write") << "cmdParaWrite" << true << A{Dialogs::Answer::Yes} << ""
                                   << "Parameters written to the controller";
  QTest::newRow("parameter write, controller busy") << "cmdParaWrite" << true << A{Dialogs::Answer::No}
                                                    << "" << "";
  QTest::newRow("parameter save") << "cmdSaveParaFile" << true << A{} << "b.pmt" << "Saved: b.pmt";
  QTest::newRow("parameter save cancelled") << "cmdSaveParaFile" << true << A{} << "" << "";
  QTest::newRow("parameter open") << "cmdReadParaFile" << true << A{} << "*.pmt" << "Opened: made.pmt";
  QTest::newRow("verify with controller") << "cmdConpareCT" << true << A{} << ""
                                          << "Verified: the screen matches the controller";
  QTest::newRow("verify with file") << "cmdConpareFile" << true << A{Dialogs::Answer::Ok} << "*.pmt"
                                    << "Verified: the screen matches made.pmt";
  QTest::newRow("version") << "mnuShowCtversion" << false << A{} << "" << "Controller version: 1.10";
  QTest::newRow("alarm reset") << "cmdRESET" << false << A{} << "" << "Alarm reset";
}

// A command that succeeded says so in the status line; one that did not
// leaves it to its messages.
void tst_Shell::commandsSayWhatTheyDid() {
  QFETCH(QString, command);
  QFETCH(bool, readFirst);
  QFETCH(QString, file);
  store({{"PortOccupy", "0"}, {"Languege", "2"}});
  QTemporaryDir files;
  SimPortDevice line;
  FakeDialogs dialogs;
  Program p(dialogs);
  QVERIFY(startForCommands(p, line, readFirst));
  FrmMain &f = p.frmMain;
  if (file == u"*.pmt"_qs) {
    file = files.filePath("made.pmt");
    p.paramFile.WriteParaFile(file);
  } else if (file == u"*.ztd"_qs) {
    file = files.filePath("made.ztd");
    dialogs.files = {file};
    f.cmdSaveFile.click();
  } else if (!file.isEmpty()) {
    file = files.filePath(file);
  }
  dialogs.files = {file};
  QFETCH(QList<Dialogs::Answer>, answers);
  dialogs.answers = answers;
  dialogs.achieved.clear();
  f.find(command)->click();
  QFETCH(QString, achieved);
  QCOMPARE(dialogs.achieved, achieved.isEmpty() ? QStringList() : QStringList{achieved});
}

// The title names the file of the page in front and marks its edits.
void tst_Shell::titleNamesTheFileInFront() {
  store({{"PortOccupy", "0"}, {"Languege", "2"}});
  QTemporaryDir files;
  SimPortDevice line;
  FakeDialogs dialogs;
  Program p(dialogs);
  p.link.setDevice(&line);
  p.Main(false);
  FrmMain &f = p.frmMain;
  auto title = [&f] { return f.form.text() + (f.form.isModified() ? u"*"_qs : QString()); };
  QCOMPARE(title(), u"KOV-T6"_qs);
  f.txtDIVISION.setText("4");
  f.txtGEAR.setText("10");
  QCOMPARE(title(), u"KOV-T6*"_qs);
  dialogs.files = {files.filePath("a.ztd")};
  f.cmdSaveFile.click();
  QCOMPARE(title(), u"KOV-T6 — a.ztd"_qs);
  f.txtGEAR.setText("12");
  QCOMPARE(title(), u"KOV-T6 — a.ztd*"_qs);

  f.SSTab1.setCurrentTab(1);
  QCOMPARE(title(), u"KOV-T6"_qs);
  QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
  f.txtHomeVel.setText("20");
  QCOMPARE(title(), u"KOV-T6*"_qs);
  dialogs.files = {files.filePath("b.pmt")};
  f.cmdSaveParaFile.click();
  QCOMPARE(title(), u"KOV-T6 — b.pmt"_qs);
  // Read from the controller, the page shows no file's data.
  QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
  QCOMPARE(title(), u"KOV-T6"_qs);

  f.SSTab1.setCurrentTab(0);
  QCOMPARE(title(), u"KOV-T6 — a.ztd*"_qs);
}

void tst_Shell::parameterEditsOfferedForSaving_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("edit");
  QTest::addColumn<Dialogs::Answer>("answer");
  QTest::addColumn<bool>("replaced"); // the command went on
  QTest::addColumn<bool>("saved");
  using A = Dialogs::Answer;
  for (const char *command : {"cmdParaRead", "cmdReadParaFile", "cmdIniPrm"}) {
    QTest::addRow("%s, cancelled", command) << command << true << A::Cancel << false << false;
    QTest::addRow("%s, not saved", command) << command << true << A::No << true << false;
    QTest::addRow("%s, saved first", command) << command << true << A::Yes << true << true;
    QTest::addRow("%s, no edits", command) << command << false << A::Cancel << true << false;
  }
}

// Edits on the parameter page are offered for saving before a file, a read
// or the standard values replace them, as on the operation data page.
void tst_Shell::parameterEditsOfferedForSaving() {
  QFETCH(QString, command);
  QFETCH(bool, edit);
  QFETCH(Dialogs::Answer, answer);
  store({{"PortOccupy", "0"}, {"Languege", "2"}});
  QTemporaryDir files;
  SimPortDevice line;
  FakeDialogs dialogs;
  Program p(dialogs);
  p.link.setDevice(&line);
  p.Main(false);
  FrmMain &f = p.frmMain;
  QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
  const QString source = files.filePath("source.pmt");
  p.paramFile.WriteParaFile(source);
  if (edit)
    f.txtHomeVel.setText("20");
  const QString savedPath = files.filePath("edits.pmt");
  dialogs.files = answer == Dialogs::Answer::Yes ? QStringList{savedPath, source} : QStringList{source};
  dialogs.answers = {answer};
  const qsizetype linesBefore = line.sim()->receivedLines().size();
  bool deviceDialog = false;
  QTimer::singleShot(0, &p, [&] {
    deviceDialog = p.frmDevice.form.isVisible();
    if (deviceDialog)
      p.frmDevice.cmdDeviceSet.click();
  });
  dialogs.shown.clear();
  f.find(command)->click();

  const QString ask = u"Save the edited parameters before they are replaced?"_qs;
  QCOMPARE(dialogs.shown.value(0) == ask, edit);
  QFETCH(bool, replaced);
  QFETCH(bool, saved);
  QCOMPARE(QFile::exists(savedPath), saved);
  if (saved) {
    QFile file(savedPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("20"));
  }
  const bool went = command == u"cmdParaRead"_qs    ? line.sim()->receivedLines().size() > linesBefore
                    : command == u"cmdIniPrm"_qs    ? deviceDialog
                                                    : !dialogs.fileDialogs.isEmpty() &&
                                                          dialogs.fileDialogs.last().title == u"Open Parameter file"_qs;
  QCOMPARE(went, replaced);
  QCOMPARE(f.txtHomeVel.text() == u"20"_qs, edit && !replaced);
}

void tst_Shell::portPanel_data() {
  QTest::addColumn<QString>("occupy");
  QTest::addColumn<QString>("device"); // --device; empty: the simulator
  QTest::addColumn<bool>("vanish");
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("during"); // while "0RV" waits; empty: never sent
  QTest::addColumn<QString>("after");
  const QString sim = u"COM1 — simulator"_qs;
  const QString open = u"● COM1 — simulator"_qs;
  QTest::newRow("held open") << "1" << "" << false << sim << open << open;
  QTest::newRow("released") << "0" << "" << false << sim << open << sim;
  QTest::newRow("vanished") << "1" << "" << true << sim << open << sim;
  QTest::newRow("device that cannot open") << "0" << "/nonexistent/tty" << false
                                           << "COM1 — /nonexistent/tty" << "" << "COM1 — /nonexistent/tty";
}

// The status bar says where the program is connected, and whether it is now.
void tst_Shell::portPanel() {
  QFETCH(QString, occupy);
  QFETCH(QString, device);
  QFETCH(bool, vanish);
  store({{"PortOccupy", occupy}, {"Languege", "2"}});
  SimPortDevice line;
  FakeDialogs dialogs;
  Program p(dialogs);
  p.deviceOverride = device;
  if (device.isEmpty())
    p.link.setDevice(&line);
  if (vanish)
    line.sim()->setFault("0RV", ControllerSim::Fault::Vanish);
  p.Main(false);
  auto panel = [&p] { return p.frmMain.sbStatusBar.panelText(FrmMain::PortPanel); };
  QTEST(panel(), "before");
  QString during;
  connect(line.sim(), &ControllerSim::lineReceived, this, [&](const QByteArray &l) {
    if (l == "0RV")
      during = panel();
  });
  p.frmMain.mnuShowCtversion.click();
  QTEST(during, "during");
  QTEST(panel(), "after");
}

// Ports 1 to 32 as a machine might have them: some open, some refuse.
class FakePorts : public PortDevice {
public:
  QSet<int> openable;
  QHash<int, QString> paths, refusals;
  int openedPort = 0;
  bool open(int portNo, QString *reason) override {
    if (!openable.contains(portNo)) {
      *reason = refusals.value(portNo, u"No such file or directory"_qs);
      return false;
    }
    openedPort = portNo;
    return true;
  }
  void close() override { openedPort = 0; }
  bool isOpen() const override { return openedPort != 0; }
  bool write(const QByteArray &) override { return true; }
  qint64 bytesAvailable() const override { return 0; }
  QByteArray readAll() override { return {}; }
  QString devicePath(int n) const override { return paths.value(n); }
  QString deviceInfo(int n) const override { return n == 5 ? u"FTDI, FT232R USB UART, A1B2"_qs : QString(); }
};

void tst_Shell::portText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("port");
  QTest::newRow("plain") << "COM3" << 3;
  QTest::newRow("with its device") << u"COM5 — /dev/ttyUSB0 (FTDI, FT232R USB UART, A1B2)"_qs << 5;
  QTest::newRow("blanks around") << "  COM12 " << 12;
  QTest::newRow("empty") << "" << -1;
  QTest::newRow("beyond 32") << "COM40" << -1;
  QTest::newRow("no number") << "COMx" << -1;
}

// The port list text gives its number, whatever follows it.
void tst_Shell::portText() {
  QFETCH(QString, text);
  QTEST(OptionDialog::PortFromText(text), "port");
}

void tst_Shell::helpPath_data() {
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("path");
  QTest::newRow("without separator") << "/opt/kov" << "/opt/kov/manual/kov-t6-en.html";
  QTest::newRow("with separator") << "/opt/kov/" << "/opt/kov/manual/kov-t6-en.html";
}

void tst_Shell::helpPath() {
  QFETCH(QString, folder);
  QTEST(help::SetHelpPath(folder, help::ManualName(2)), "path");
  QCOMPARE(help::ManualName(1), u"manual/kov-t6-ja.html"_qs);
}

void tst_Shell::options_data() {
  QTest::addColumn<QList<int>>("openable");
  QTest::addColumn<QString>("choose"); // the list text given at OK; null: as loaded
  QTest::addColumn<int>("language"); // 0 Japanese chosen, 1 Japanese then English, -1 none
  QTest::addColumn<QStringList>("items");
  QTest::addColumn<int>("portAfter");
  QTest::addColumn<QStringList>("shown");
  const QString restart = u"Language Setting has been changed.\r\nfinish KOV-T6 and restart KOV-T6 again."_qs;
  using L = QList<int>;
  QTest::newRow("no port opens") << L{} << QString() << -1 << QStringList() << 1
                                 << QStringList{"Not correct Port No."};
  QTest::newRow("held port chosen") << L{1, 3} << QString() << -1
                                    << QStringList{u"COM1 — /dev/ttyS0"_qs, u"COM3 — /dev/ttyS2"_qs} << 1
                                    << QStringList();
  QTest::newRow("COM3 while COM1 is held") << L{1, 3} << u"COM3 — /dev/ttyS2"_qs << -1
                                           << QStringList{u"COM1 — /dev/ttyS0"_qs, u"COM3 — /dev/ttyS2"_qs}
                                           << 3 << QStringList();
  QTest::newRow("Japanese chosen") << L{1} << QString() << 0 << QStringList{u"COM1 — /dev/ttyS0"_qs} << 1
                                   << QStringList{restart};
  QTest::newRow("Japanese, then English again") << L{1} << QString() << 1
                                                << QStringList{u"COM1 — /dev/ttyS0"_qs} << 1 << QStringList();
}

// The options dialog: the ports that open, with their devices; OK applies.
void tst_Shell::options() {
  QFETCH(QList<int>, openable);
  store({{"Languege", "2"}, {"PortOccupy", "1"}});
  FakePorts ports;
  for (int n = 1; n <= 4; ++n)
    ports.paths[n] = QStringLiteral("/dev/ttyS%1").arg(n - 1);
  ports.openable = QSet<int>(openable.begin(), openable.end());
  FakeDialogs dialogs;
  Program p(dialogs);
  p.link.setDevice(&ports);
  p.Main(false);
  p.m.useLanguege(2);
  if (!openable.isEmpty())
    QCOMPARE(p.link.CommPortOpen(), qint16(0)); // COM1 held
  QFETCH(QString, choose);
  QFETCH(int, language);
  QTimer::singleShot(0, &p, [&] {
    FrmOption &o = p.frmOption;
    QTEST(o.comboPortNo.items(), "items");
    QVERIFY(o.chkPortOccupy.isChecked());
    QVERIFY(!o.SSTabOption.isTabEnabled(1) && !o.lblTyuijikou.isVisible() && !o.framDispUnit.isVisible());
    if (!choose.isNull())
      o.comboPortNo.setText(choose);
    if (language >= 0)
      o.optLanguege(0).setChecked(true);
    if (language == 1)
      o.optLanguege(1).setChecked(true);
    o.chkPortOccupy.setChecked(false);
    // Rounding applies at once, before OK.
    o.optSutiSyori(1).setChecked(true);
    QVERIFY(!p.m.MmRoundUp);
    o.optSutiSyori(0).setChecked(true);
    o.cmdOK.click();
  });
  p.frmMain.mnuViewOption.click();
  QTEST(int(p.m.PortNo), "portAfter");
  QVERIFY(p.m.MmRoundUp);
  QTEST(dialogs.shown, "shown");
  QCOMPARE(stored("PortOccupy"), u"0"_qs);
  QVERIFY(!p.m.PortOccupy);
  QCOMPARE(p.m.Languege, qint16(2)); // switched only at exit
  if (p.m.PortNo == 3) {
    QCOMPARE(ports.openedPort, 0); // closed on OK
    QCOMPARE(p.link.CommPortOpen(), qint16(0));
    QCOMPARE(ports.openedPort, 3);
  }
}

// A port that exists but did not open is named with the system's reason,
// and a refused permission with the way to get it.
void tst_Shell::portsThatDidNotOpen() {
  store({{"Languege", "2"}});
  FakePorts ports;
  const QString usb = dir_.filePath("ttyUSB0");
  QFile(usb).open(QIODevice::WriteOnly); // there, but refused
  ports.paths = {{1, u"/dev/ttyS0"_qs}, {2, dir_.filePath("ttyS1-absent")}, {5, usb}};
  ports.openable = {1};
  ports.refusals[2] = u"No such file or directory"_qs;
  ports.refusals[5] = QString::fromLocal8Bit(std::strerror(EACCES));
  FakeDialogs dialogs;
  Program p(dialogs);
  p.link.setDevice(&ports);
  p.Main(false);
  p.options.Form_Load();
  const QString problems = p.frmOption.lblPortProblems.text();
  QVERIFY2(problems.contains(u"COM5 — "_qs + usb + u" (FTDI, FT232R USB UART, A1B2): "_qs + ports.refusals[5]),
           qPrintable(problems));
  QVERIFY(problems.contains(u"dialout"_qs));
  QVERIFY(!problems.contains(u"COM2"_qs)); // no device there, nothing to tell
  QCOMPARE(p.frmOption.comboPortNo.items(), QStringList{u"COM1 — /dev/ttyS0"_qs});
}

void tst_Shell::versionText_data() {
  QTest::addColumn<int>("major");
  QTest::addColumn<int>("minor");
  QTest::addColumn<int>("revision");
  QTest::addColumn<QString>("text");
  QTest::newRow("0.9.7") << 0 << 9 << 7 << u"Version 0.97"_qs;
  QTest::newRow("1.2.15") << 1 << 2 << 15 << u"Version 1.215"_qs;
}

void tst_Shell::versionText() {
  QFETCH(int, major);
  QFETCH(int, minor);
  QFETCH(int, revision);
  QTEST(VersionText(major, minor, revision), "text");
}

void tst_Shell::placement_data() {
  QTest::addColumn<double>("left");
  QTest::addColumn<double>("top");
  QTest::addColumn<double>("dpi");
  QTest::addColumn<QPoint>("expected");
  QTest::newRow("default at 96 dpi") << 1000.0 << 1000.0 << 96.0 << QPoint(67, 67);
  QTest::newRow("scaled at 192 dpi") << 1500.0 << 3000.0 << 192.0 << QPoint(200, 400);
  QTest::newRow("off to the right") << 90000.0 << 1000.0 << 96.0 << QPoint(0, 0);
  QTest::newRow("above the screen") << 1000.0 << -3000.0 << 96.0 << QPoint(0, 0);
  QTest::newRow("on the second screen") << 30000.0 << 1500.0 << 96.0 << QPoint(2000, 100);
}

void tst_Shell::fitOnScreen_data() {
  QTest::addColumn<QRect>("wanted");
  QTest::addColumn<QRect>("fitted");
  // On 1280 x 900 at scale 1.5: 853 x 600 less a panel (fitOnScreen's screen).
  QTest::newRow("fits") << QRect(50, 40, 600, 400) << QRect(50, 40, 600, 400);
  QTest::newRow("too large") << QRect(67, 67, 900, 670) << QRect(0, 0, 853, 570);
  QTest::newRow("too far right") << QRect(400, 40, 600, 400) << QRect(253, 40, 600, 400);
  QTest::newRow("too low") << QRect(10, 300, 600, 400) << QRect(10, 170, 600, 400);
  QTest::newRow("left of it") << QRect(-80, 10, 600, 400) << QRect(0, 10, 600, 400);
}

// A window opens whole on its screen, the status bar included.
void tst_Shell::fitOnScreen() {
  QFETCH(QRect, wanted);
  QTEST(FitOnScreen(wanted, QRect(0, 0, 853, 570)), "fitted");
}

void tst_Shell::placement() {
  QFETCH(double, left);
  QFETCH(double, top);
  QFETCH(double, dpi);
  const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  QTEST(KeepOnScreen(TwipsToPixels(left, top, dpi), QSize(900, 640), screens), "expected");
}

QTEST_GUILESS_MAIN(tst_Shell)
#include "tst_shell.moc"
