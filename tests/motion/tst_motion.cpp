#include "iomonitor.h"
#include "linkrig.h"
#include "motionrules.h"
#include "motiontest.h"
#include "simportdevice.h"
#include "scripteddevice.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Lines = QList<QByteArray>;

// The move test and the monitor on the simulator, in English; moves take
// a hundredth of their time.
struct Rig : LinkRig<SimPortDevice> {
  MotionTest motion{m, f, dialogs, link};
  IoMonitor io{m, f, dialogs, link};

  Rig() {
    m.PortOccupy = false;
    link.Get_ErrorList();
    sim().setTimeScale(0.01);
    f.optCNT.setChecked(true);
    f.cmdIoMonitor.setText(m.msg(702));
  }
  ControllerSim &sim() { return *line.sim(); }
  Lines wire() { return sim().receivedLines(); }
  int count(const QByteArray &l) { return int(wire().count(l)); }
  // Runs `act` when the simulator receives `line` for the `nth` time (from 1).
  void on(const QByteArray &line, int nth, const std::function<void()> &act) {
    auto seen = std::make_shared<int>(0);
    QObject::connect(&sim(), &ControllerSim::lineReceived, &sim(), [=, this](const QByteArray &l) {
      if (l == line && ++*seen == nth)
        QTimer::singleShot(0, &sim(), act);
    });
  }
  QString lit() {
    QString s;
    for (Control *c : io.lamps())
      s += c->isVisible() ? u'1' : u'0';
    return s;
  }
};

class tst_Motion : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

private Q_SLOTS:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    Link::setTimeoutScale(0.01);
  }

  void timerRules_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("selected"); // characters selected at each key
    QTest::addColumn<bool>("leave");
    QTest::addColumn<QString>("text");
    QTest::newRow("700 clears") << "700" << 0 << false << "";
    QTest::newRow("655 stays") << "655" << 0 << false << "655";
    QTest::newRow("no fourth digit") << "1234" << 0 << false << "123";
    QTest::newRow("a fourth over the whole text") << "123" << 3 << false << "3";
    QTest::newRow("letters refused") << "1a2" << 0 << false << "12";
    QTest::newRow("backspace over three") << "123\b" << 0 << false << "12";
    QTest::newRow("empty left as 0") << "" << 0 << true << "0";
    QTest::newRow("00 left as 0") << "00" << 0 << true << "0";
    QTest::newRow("15 left as it is") << "15" << 0 << true << "15";
  }

  // Keys, changes and leaving of the dwell box, as the operator types.
  void timerRules() {
    QFETCH(QString, keys);
    QFETCH(int, selected);
    Rig r;
    Control &box = r.f.txtTimer;
    box.setText(QString());
    for (const QChar ch : keys) {
      box.selLength = selected ? int(box.text().size()) : 0;
      const int key = box.keyPress(ch == u'\b' ? 8 : ch.unicode());
      if (key == 8)
        box.setText(box.text().chopped(1));
      else if (key != 0)
        box.setText(box.selLength == box.text().size() ? QString(QChar(key)) : box.text() + QChar(key));
    }
    QFETCH(bool, leave);
    if (leave)
      box.lostFocus();
    QTEST(box.text(), "text");
    QCOMPARE(motion::DwellMs(u"15"_qs), 1500);
    QCOMPARE(motion::DwellMs(u"0"_qs) + motion::DwellMs(QString()), 0);
  }

  void moves_data() {
    QTest::addColumn<bool>("continuous");
    QTest::addColumn<bool>("dwell");
    QTest::addColumn<int>("stopAfter"); // Stop pressed as this move starts; 0: never
    QTest::addColumn<int>("moves");
    QTest::newRow("step") << false << false << 0 << 1;
    QTest::newRow("step, dwell ticked") << false << true << 0 << 1;
    QTest::newRow("continuous, stopped during the third move") << true << false << 3 << 3;
    QTest::newRow("continuous with dwell, stopped during the second") << true << true << 2 << 2;
  }

  // A move test sends one "0MP01" per move, polls until the move ends, and
  // a Stop lets the move in progress complete.
  void moves() {
    QFETCH(bool, continuous);
    QFETCH(bool, dwell);
    QFETCH(int, stopAfter);
    Rig r;
    (continuous ? r.f.optCNT : r.f.optSTEP).setChecked(true);
    r.f.chkTimerUse.setChecked(dwell);
    r.f.txtTimer.setText("0"); // no dwell: the next move at once
    if (stopAfter)
      r.on("0MP01", stopAfter, [&r] { r.f.cmdSTOP.click(); });
    QList<int> completed;
    connect(&r.motion, &MotionTest::moveCompleted, this, [&](int n, qint64) { completed << n; });
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(0));
    QFETCH(int, moves);
    QCOMPARE(r.count("0MP01"), moves);
    QCOMPARE(completed.size(), moves);
    QCOMPARE(r.wire().first(), QByteArray("0RA"));
    QCOMPARE(r.wire().last(), QByteArray("0RA"));
    QCOMPARE(r.sim().status(), 1); // the last move completed
    QVERIFY(r.f.cmdMOVE.isEnabled() && r.f.cmdHOME.isEnabled() && r.f.SSTab1.isTabEnabled(1));
    QVERIFY(!r.line.isOpen());
  }

  // 15 in the box is a 1500 ms dwell; Stop during it ends the run at once.
  void dwellCutShortByStop() {
    Rig r;
    r.f.chkTimerUse.setChecked(true);
    r.f.txtTimer.setText("15");
    int interval = -1;
    QElapsedTimer clock;
    connect(&r.motion, &MotionTest::moveCompleted, this, [&] {
      QTimer::singleShot(0, this, [&] {
        interval = r.motion.Timer2.isActive() ? r.motion.Timer2.interval() : 0;
        clock.start();
        r.f.cmdSTOP.click();
      });
    });
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(0));
    QCOMPARE(interval, 1500);
    QVERIFY(clock.elapsed() < 500);
    QCOMPARE(r.count("0MP01"), 1);
  }

  void dwellBetweenMoves_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("atLeastMs");
    QTest::newRow("1: 100 ms") << "1" << 100;
    QTest::newRow("0: none") << "0" << 0;
    QTest::newRow("empty: none") << "" << 0;
  }

  // The time from a move's end to the next move command is the dwell.
  void dwellBetweenMoves() {
    QFETCH(QString, text);
    QFETCH(int, atLeastMs);
    Rig r;
    r.f.chkTimerUse.setChecked(true);
    r.f.txtTimer.setText(text);
    QElapsedTimer clock;
    qint64 gap = -1;
    connect(&r.motion, &MotionTest::moveCompleted, this, [&](int n) {
      if (n == 1)
        clock.start();
    });
    r.on("0MP01", 2, [&] {
      gap = clock.elapsed();
      r.f.cmdSTOP.click();
    });
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(0));
    QVERIFY2(gap >= atLeastMs && gap < atLeastMs + 80, qPrintable(QString::number(gap)));
  }

  // Stop while idle leaves nothing pending; one left from an earlier run
  // does not end a new continuous run.
  void stopOutsideARun() {
    Rig r;
    r.f.cmdSTOP.click();
    QVERIFY(!r.motion.StopRequest);
    r.motion.StopRequest = true; // left over
    r.on("0MP01", 2, [&r] { r.f.cmdSTOP.click(); });
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(0));
    QCOMPARE(r.count("0MP01"), 2);
  }

  // A controller that is moving or in alarm refuses the move test: only
  // "0RA" is sent, and the status line says why nothing moved.
  void busyControllerRefusesTheMove_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("moving") << 0 << u"The controller is moving; the move test did not start."_qs;
    QTest::newRow("alarm") << 3 << u"The controller is in alarm; the move test did not start."_qs;
  }
  void busyControllerRefusesTheMove() {
    QFETCH(int, status);
    Rig r;
    if (status == 3)
      r.sim().raiseAlarm("10");
    else
      r.sim().setStatus(status);
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(1));
    QCOMPARE(r.wire(), Lines{"0RA"});
    QVERIFY(r.dialogs.shown.isEmpty());
    QTEST(r.dialogs.statuses.join(u'|'), "said");
    QVERIFY(!r.line.isOpen());
  }

  void homing_data() {
    QTest::addColumn<int>("endsIn");
    QTest::addColumn<bool>("secondPress");
    QTest::addColumn<qint16>("result");
    QTest::newRow("reports 1") << 1 << false << qint16(0);
    QTest::newRow("keeps reporting 2, second press") << 2 << true << qint16(1);
  }

  // Homing polls until status 1; a second press of Home ends the waiting.
  void homing() {
    QFETCH(int, endsIn);
    QFETCH(bool, secondPress);
    Rig r;
    r.sim().setHomingEnds(endsIn);
    if (secondPress)
      r.on("0RA", 40, [&r] {
        QVERIFY(r.f.cmdHOME.isEffectivelyEnabled());
        r.f.cmdHOME.click();
      });
    QTEST(r.motion.cmdHOME_Click(), "result");
    const Lines wire = r.wire();
    QCOMPARE(wire.mid(0, 2), (Lines{"0CM6", "0MP00"}));
    QVERIFY(r.count("0RA") >= (secondPress ? 40 : 1));
    // Said from the first poll, and what ended the wait after it.
    const QStringList said = secondPress ? QStringList{r.m.msg(5216), r.m.msg(5141)} : QStringList{r.m.msg(5216)};
    QCOMPARE(r.dialogs.statuses, said);
    QCOMPARE(r.dialogs.achieved, secondPress ? QStringList() : QStringList{u"Homing complete"_qs});
    QVERIFY(r.f.cmdMOVE.isEnabled() && r.f.cmdRESET.isEnabled() && r.f.mnuCont.isEnabled());
    QVERIFY(!r.line.isOpen());
  }

  // A refused homing move shows the controller's error in the alarm area.
  void homingErrorReachesTheAlarmArea() {
    Rig r;
    r.sim().setErrorKey("12");
    r.sim().setFault("0MP", ControllerSim::Fault::ErrorReply);
    QCOMPARE(r.motion.cmdHOME_Click(), qint16(1));
    QCOMPARE(r.wire(), (Lines{"0CM6", "0MP00"}));
    QVERIFY(!r.f.lblstatus.text().trimmed().isEmpty());
    QVERIFY(r.f.imgAlarmLed.isVisible());
    QVERIFY(r.f.cmdHOME.isEnabled());
  }

  void groups_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("homing")
        << "cmdHOME"
        << QStringList{"cmdFileOpen", "cmdSaveFile", "cmdLoadtoCt", "cmdGetfromCt", "cmdDataPrint",
                       "cmdFilePrint", "Frame2", "cmdIoMonitor", "Frame4", "cmdRESET", "cmdMOVE",
                       "cmdSTOP", "optSTEP", "optCNT", "chkTimerUse"};
    QTest::newRow("moving")
        << "cmdMOVE"
        << QStringList{"optCNT", "optSTEP", "cmdMOVE", "chkTimerUse", "txtTimer", "cmdHOME",
                       "cmdFileOpen", "cmdSaveFile", "cmdLoadtoCt", "cmdGetfromCt", "cmdDataPrint",
                       "cmdFilePrint", "Frame2", "cmdIoMonitor", "Frame4", "cmdRESET"};
    QTest::newRow("monitor")
        << "cmdIoMonitor"
        << QStringList{"cmdFileOpen", "cmdSaveFile", "cmdLoadtoCt", "cmdGetfromCt", "cmdDataPrint",
                       "cmdFilePrint", "Frame2", "cmdMOVE", "cmdSTOP", "cmdHOME", "Frame1", "cmdRESET"};
  }

  // Each command disables exactly its group, in its order, and enables it again.
  void groups() {
    QFETCH(QString, command);
    QFETCH(QStringList, order);
    Rig r;
    r.f.optSTEP.setChecked(true);
    QStringList off, on;
    for (Control *c : r.f.controls()) {
      connect(c, &Control::changed, this, [&, c, was = c->isEnabled()]() mutable {
        if (c->isEnabled() == was || c->kind() == Control::Kind::Menu || c->kind() == Control::Kind::MenuItem)
          return;
        was = c->isEnabled();
        (was ? on : off) << c->name();
      });
    }
    r.f.find(command)->click();
    if (command == u"cmdIoMonitor"_qs) {
      r.io.timerInputOutput1_Timer();
      r.f.cmdIoMonitor.click();
      r.io.timerInputOutput1_Timer();
    }
    // Home also keeps the alarm reset off for its run, and moving enables it again.
    off.removeAll(u"cmdRESET"_qs);
    on.removeAll(u"cmdRESET"_qs);
    QStringList expected = order;
    expected.removeAll(u"cmdRESET"_qs);
    QCOMPARE(off, expected);
    if (command == u"cmdMOVE"_qs) // enabling starts with the Move button
      expected.move(expected.indexOf(u"cmdMOVE"_qs), 0);
    QCOMPARE(on, expected);
  }

  void decoding_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("lit"); // STB RES ALM RDY IN-P, the lamp by OUT2, by OUT1
    QTest::newRow("input 800") << 0x800 << 0x00 << "1000000";
    QTest::newRow("input 200") << 0x200 << 0x00 << "0100000";
    QTest::newRow("input A00") << 0xA00 << 0x00 << "1100000";
    QTest::newRow("input 5FF") << 0x5FF << 0x00 << "0000000";
    QTest::newRow("output 71") << 0x000 << 0x71 << "0011101";
    QTest::newRow("output 02") << 0x000 << 0x02 << "0000010";
  }

  // The lamps show the words as the signal table says, OUT1 and OUT2 crossed.
  void decoding() {
    QFETCH(int, input);
    QFETCH(int, output);
    Rig r;
    r.sim().setInputWord(input);
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer(); // mode 7 set, then read
    r.sim().setStatus(1);
    QCOMPARE(r.sim().commMode(), 7);
    // The outputs follow "0WO" in monitor mode; set them as a write would.
    r.m.OutputBit = {};
    for (int d = 1; d <= 2; ++d)
      for (int p = 0; p < 4; ++p)
        r.m.OutputToggle[d][p] = ((output >> (4 * (2 - d))) & (8 >> p)) != 0;
    r.io.IoWriteRequest = true;
    r.io.timerInputOutput1_Timer();
    QTEST(r.lit(), "lit");
    QCOMPARE(r.f.cmdIoMonitor.text(), u"Stop Monitor"_qs);
  }

  void toggles_data() {
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("lamp"); // white icon index, or a lit lamp's name
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("02, the lit lamp by OUT2") << 0x02 << "imgOutputOut1" << 1 << QByteArray("0WO00");
    QTest::newRow("02, the white icon by OUT1") << 0x02 << "24" << 1 << QByteArray("0WO03");
    QTest::newRow("80 kept, ALM on") << 0x80 << "20" << 1 << QByteArray("0WOC0");
    QTest::newRow("two double-clicks invert once") << 0x02 << "24" << 2 << QByteArray("0WO03");
    QTest::newRow("an input's icon writes the image") << 0x02 << "0" << 1 << QByteArray("0WO02");
  }

  // A double-click inverts the output its lamp shows, on the next tick;
  // what the lamps do not show is written back as read.
  void toggles() {
    QFETCH(int, output);
    QFETCH(QString, lamp);
    QFETCH(int, clicks);
    Rig r;
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    r.link.CommPortOpen();
    qint16 mode = 7;
    r.link.ChangeCommMode(mode);
    r.link.TimeOutMs = 1000;
    QCOMPARE(r.link.CommTransaction("0WO", 7, QByteArray::number(output, 16).rightJustified(2, '0').toUpper()),
             qint16(0));
    r.link.CommPortRelease();
    r.io.timerInputOutput1_Timer(); // reads the word
    r.sim().clearLog();
    bool isIcon = false;
    const int index = lamp.toInt(&isIcon);
    for (int i = 0; i < clicks; ++i)
      (isIcon ? r.f.imgWhiteIcon(index) : *r.f.find(lamp)).dblClick();
    r.io.timerInputOutput1_Timer();
    QFETCH(QByteArray, written);
    QCOMPARE(r.wire(), (Lines{written, "0RI", "0RO"}));
    QVERIFY(!r.io.IoWriteRequest);
  }

  // The stop asked for before the first tick: the controller still enters
  // monitor mode, then leaves it at once.
  void twoPressesBeforeTheFirstTick() {
    Rig r;
    r.f.cmdIoMonitor.click();
    r.f.cmdIoMonitor.click();
    QVERIFY(r.f.cmdMOVE.isEnabled());
    QCOMPARE(r.f.cmdIoMonitor.text(), u"Start Monitor"_qs);
    r.io.timerInputOutput1_Timer();
    QCOMPARE(r.wire(), (Lines{"0CM7", "0CM0"}));
    QVERIFY(!r.io.IoMonitoring && !r.io.timerInputOutput1.isActive());
    r.f.imgWhiteIcon(24).dblClick(); // after the stop: nothing
    QVERIFY(!r.io.IoWriteRequest);
    QVERIFY(!r.line.isOpen());
  }

  void failedExchangeEndsTheMonitor_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<ControllerSim::Fault>("fault");
    QTest::addColumn<bool>("lost");
    using F = ControllerSim::Fault;
    QTest::newRow("no reply to a word") << QByteArray("0RO") << F::NoReply << true;
    QTest::newRow("line gone during a word") << QByteArray("0RO") << F::Vanish << true;
    QTest::newRow("line gone during a write") << QByteArray("0WO") << F::Vanish << true;
    QTest::newRow("word of the wrong length") << QByteArray("0RO") << F::WrongLength << false;
  }

  // A lost line ends the monitor at once, told once; a wrong reply stops it
  // on the next tick, which leaves monitor mode. The lamps go dark either way.
  void failedExchangeEndsTheMonitor() {
    QFETCH(QByteArray, code);
    QFETCH(ControllerSim::Fault, fault);
    QFETCH(bool, lost);
    Rig r;
    r.sim().setInputWord(0x800);
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    QCOMPARE(r.lit(), u"1001000"_qs);
    r.sim().setFault(code, fault);
    if (fault == ControllerSim::Fault::Vanish)
      r.line.setOpenFailure(u"gone"_qs); // as a pty whose far end closed
    if (code == "0WO")
      r.f.imgWhiteIcon(24).dblClick();
    r.io.timerInputOutput1_Timer();
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(r.f.cmdMOVE.isEnabled());
    QCOMPARE(r.f.cmdIoMonitor.text(), u"Start Monitor"_qs);
    if (!lost) {
      QCOMPARE(r.lit(), u"1001000"_qs); // kept until the stop
      r.sim().clearFaults();
      r.io.timerInputOutput1_Timer();
      QCOMPARE(r.wire().last(), QByteArray("0CM0"));
    }
    QCOMPARE(r.lit(), u"0000000"_qs);
    QVERIFY(!r.io.IoMonitoring && !r.io.timerInputOutput1.isActive() && !r.io.IoWriteRequest);
    QVERIFY(!r.wire().contains("0CM0") || !lost);
    r.io.timerInputOutput1_Timer(); // a tick already due: nothing more
    QCOMPARE(r.dialogs.shown.size(), 1);
  }

  // A wrong echo of "0WO" is told; the tick still reads and shows the words.
  void wrongWriteEcho() {
    Rig r;
    ScriptedDevice line;
    r.link.setDevice(&line);
    line.answers = {{"0CM7\r\n"}, {"0RI000\r\n"}, {"0RO02\r\n"},
                    {"0WO00\r\n"}, {"0RI000\r\n"}, {"0RO02\r\n"}};
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    r.f.imgWhiteIcon(24).dblClick(); // asks for 03
    r.io.timerInputOutput1_Timer();
    QCOMPARE(line.written.mid(3), (Lines{"0WO03\r\n", "0RI\r\n", "0RO\r\n"}));
    QCOMPARE(r.dialogs.shown, QStringList{u"Communication error occurs!\r\ntransmit data is wrong"_qs});
    QCOMPARE(r.lit(), u"0000010"_qs); // what the controller reports
    QVERIFY(!r.io.IoWriteRequest); // consumed by the failed write
  }

  // An error reply to the move or to a status poll ends the move test, told,
  // with the port free again.
  void moveEndsOnAnErrorReply_data() {
    QTest::addColumn<QByteArray>("refused");
    QTest::newRow("the move") << QByteArray("0MP01");
    QTest::newRow("a status poll") << QByteArray("0RA");
  }
  void moveEndsOnAnErrorReply() {
    QFETCH(QByteArray, refused);
    Rig r;
    r.f.optSTEP.setChecked(true);
    r.on(refused == "0RA" ? "0MP01" : "0RA", 1,
         [&r, refused] { r.sim().setFault(refused, ControllerSim::Fault::ErrorReply, 1); });
    QCOMPARE(r.motion.cmdMOVE_Click(), qint16(1));
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(!r.line.isOpen());
    QVERIFY(r.f.cmdMOVE.isEnabled());
  }

  // Monitor mode refused: the monitor stops at once and leaves the port free.
  void monitorModeRefused_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("error reply") << QByteArray("0%%010\r\n");
    QTest::newRow("wrong echo") << QByteArray("0CX7\r\n");
  }
  void monitorModeRefused() {
    QFETCH(QByteArray, reply);
    Rig r;
    ScriptedDevice line;
    r.link.setDevice(&line);
    line.answers = {{reply}, {"0CM6\r\n"}};
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    QVERIFY(!r.io.IoMonitoring && !r.io.timerInputOutput1.isActive());
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(!line.isOpen());
    QVERIFY(r.f.cmdMOVE.isEnabled());
  }

  // An I/O word with a character that is no hex digit is a wrong reply:
  // told, the lamps keep the last good words, and the monitor stops.
  void garbledWord_data() {
    QTest::addColumn<QByteArray>("inputs");
    QTest::addColumn<QByteArray>("outputs");
    QTest::newRow("input word") << QByteArray("0RI8Z0\r\n") << QByteArray("0RO22\r\n");
    QTest::newRow("output word") << QByteArray("0RI800\r\n") << QByteArray("0RO2 \r\n");
    QTest::newRow("lower case is hex") << QByteArray("0RIa00\r\n") << QByteArray("0RO2f\r\n");
  }
  void garbledWord() {
    QFETCH(QByteArray, inputs);
    QFETCH(QByteArray, outputs);
    Rig r;
    ScriptedDevice line;
    r.link.setDevice(&line);
    line.answers = {{"0CM7\r\n"}, {"0RI800\r\n"}, {"0RO20\r\n"}, {inputs}, {outputs}};
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    QCOMPARE(r.lit(), u"1001000"_qs);
    r.io.timerInputOutput1_Timer();
    if (QTest::currentDataTag() == QByteArray("lower case is hex")) {
      QVERIFY(r.dialogs.shown.isEmpty());
      QCOMPARE(r.lit(), u"1101011"_qs);
      return;
    }
    QCOMPARE(r.dialogs.shown,
             QStringList{u"Communication error occurs!\r\ntransmit data is wrong"_qs});
    QVERIFY(r.io.IoStopRequest);
    QCOMPARE(r.lit(), u"1001000"_qs);
  }

  // The program ending while the monitor waits: one "0CM0", nothing after.
  void endingDuringATick() {
    Rig r;
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    r.on("0RI", 1, [&r] { r.link.shutdown(); });
    r.sim().setFault("0RI", ControllerSim::Fault::NoReply, 1);
    r.io.timerInputOutput1_Timer();
    QCOMPARE(r.wire().mid(r.wire().size() - 2), (Lines{"0RI", "0CM0"}));
    QVERIFY(!r.io.IoMonitoring && !r.line.isOpen());
  }

  void endingDuringAMotion_data() {
    QTest::addColumn<QString>("during");
    QTest::newRow("homing") << "homing";
    QTest::newRow("a move") << "move";
    QTest::newRow("a dwell") << "dwell";
  }

  // The program ending during homing, a move or a dwell: nothing is sent
  // after the command in flight, and every wait ends.
  void endingDuringAMotion() {
    QFETCH(QString, during);
    Rig r;
    r.sim().setHomingEnds(2);
    r.f.chkTimerUse.setChecked(true);
    r.f.txtTimer.setText("600"); // a minute: the test ends it, not the timer
    qsizetype linesAtEnd = -1;
    auto end = [&r, &linesAtEnd] {
      r.link.shutdown();
      linesAtEnd = r.wire().size();
    };
    if (during == u"dwell"_qs)
      connect(&r.motion, &MotionTest::moveCompleted, this, [&] { QTimer::singleShot(0, this, end); });
    else
      r.on(during == u"homing"_qs ? "0RA" : "0MP01", 3 - (during == u"move"_qs ? 2 : 0), end);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(during == u"homing"_qs ? r.motion.cmdHOME_Click() : r.motion.cmdMOVE_Click(),
             qint16(during == u"dwell"_qs ? 0 : 1));
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(linesAtEnd > 0);
    QCOMPARE(r.wire().size(), linesAtEnd);
    QVERIFY(!r.line.isOpen());
  }

  // The history keeps each change with its time; saved as CSV.
  void historyAsCsv() {
    Rig r;
    r.sim().setInputCycle(0);
    r.f.cmdIoMonitor.click();
    r.io.timerInputOutput1_Timer();
    r.sim().setInputWord(0x800);
    r.io.timerInputOutput1_Timer();
    const QByteArray csv = r.io.historyCsv();
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    QCOMPARE(lines.first().trimmed(), QByteArray("ms,signal,state"));
    QCOMPARE(lines.size(), 1 + 7 + 1); // the first states, then STB on
    QVERIFY(lines.last().trimmed().endsWith(",STB,1"));
    const QString path = dir_.filePath("io.csv");
    r.dialogs.files = {path};
    QCOMPARE(r.io.saveHistory(), qint16(0));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), csv);
  }
};

QTEST_GUILESS_MAIN(tst_Motion)
#include "tst_motion.moc"
