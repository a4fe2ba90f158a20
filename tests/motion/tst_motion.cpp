#include "keys.h"
#include "programrig.h"
#include "scripteddevice.h"
#include "iohistory.h"
#include "motionrules.h"
#include "movestats.h"
#include "plotview.h"

using Lines = QList<QByteArray>;
using F = ControllerSim::Fault;
struct Rig;
using Setup = std::function<void(Rig &)>;

namespace {
// The lamps lit, in the order STB RES ALM RDY IN-P, the lamp by OUT2, by OUT1.
QString lit(const IoMonitor &io) {
  QString s;
  for (Control *c : io.lamps())
    s += c->isVisible() ? u'1' : u'0';
  return s;
}
// The monitor started and its first tick run.
void startMonitor(Program &p) {
  p.frmMain.cmdIoMonitor.click();
  p.io.timerInputOutput1_Timer();
}
} // namespace

// The program on the simulator, whose moves take a hundredth of their time.
struct Rig : ProgramRig<> {
  Rig() { sim().setTimeScale(0.01); }
  ControllerSim &sim() { return *line.sim(); }
  Lines wire() { return sim().receivedLines(); }
  // Runs `act` as the simulator receives `l` for the `nth` time (from 1).
  void on(const QByteArray &l, int nth, const std::function<void()> &act) {
    auto seen = std::make_shared<int>(0);
    QObject::connect(&sim(), &ControllerSim::lineReceived, &sim(), [=, this](const QByteArray &got) {
      if (got == l && ++*seen == nth)
        QTimer::singleShot(0, &sim(), act);
    });
  }
};

class tst_Motion : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void summaries_data() {
    QTest::addColumn<QList<qint64>>("values");
    QTest::addColumn<QList<double>>("expected"); // count, min, median, mean, max, sd
    QTest::newRow("one move") << QList<qint64>{800} << QList<double>{1, 800, 800, 800, 800, 0};
    QTest::newRow("odd count") << QList<qint64>{830, 800, 815} << QList<double>{3, 800, 815, 815, 830, 15};
    QTest::newRow("even count") << QList<qint64>{4, 1, 3, 2} << QList<double>{4, 1, 2.5, 2.5, 4, 1.2909944487};
  }
  void summaries() {
    QFETCH(QList<qint64>, values);
    QFETCH(QList<double>, expected);
    const movestats::Summary s = movestats::Summarize(values);
    const QList<double> got{double(s.count), s.min, s.median, s.mean, s.max, s.sd};
    for (int i = 0; i < got.size(); ++i)
      QVERIFY2(qAbs(got[i] - expected[i]) < 1e-6, qPrintable(QString::number(i)));
  }

  // Past its cap the history folds its oldest changes into the states they
  // leave; a signal that never changes reads as its first state throughout.
  void historyCap() {
    IoHistory h(10);
    for (int row = 0; row < IoHistory::Signals; ++row)
      h.append({0, row, row == 1});
    for (qint64 t = 1; t <= 10; ++t)
      h.append({t * 100, 0, t % 2 == 1});
    QCOMPARE(h.dropped(), 7);
    QCOMPARE(h.changes().size(), 10);
    QVERIFY(h.stateAt(1, 50) && h.stateAt(1, 5000)); // flat row
    QVERIFY(h.stateAt(0, 150) && !h.stateAt(0, 250));
    const QByteArray csv = h.csv({"STB", "RES", "ALM", "RDY", "IN-P", "OUT2", "OUT1"});
    QVERIFY(csv.startsWith("ms,signal,state\r\n0,STB,0\r\n0,RES,1\r\n"));
  }

  // Time to x and back; a zoom keeps the time under the pointer, or the
  // newest at the right while following; the markers' distance.
  void plotView() {
    PlotView v;
    v.following = false;
    v.start = 1000;
    v.span = 4000;
    QCOMPARE(v.xOf(3000, 400), 200.0);
    QCOMPARE(v.at(100, 400), 2000);
    v.zoom(0.5, 100, 400);
    QCOMPARE(v.span, 2000);
    QCOMPARE(v.at(100, 400), 2000);
    v.following = true;
    v.zoom(2.0, 100, 400);
    QCOMPARE(v.start + v.span, 3500); // the right edge before the zoom
    QCOMPARE(v.span, 4000);
    v.markerA = 1200;
    v.markerB = 900;
    QCOMPARE(v.markerDifference(), std::optional<qint64>(300));
  }

  void dwellBox_data() {
    QTest::addColumn<QString>("keys"); // "^": the next key over the whole text selected; "\t": the box left
    QTest::addColumn<QString>("text");
    const char *rows[][3] = {{"700 clears", "700", ""}, {"655 stays", "655", "655"}, {"no fourth digit", "1234", "123"},
                             {"a key over the whole text", "123^4", "4"}, {"letters refused", "1a2\b", "1"},
                             {"empty left as 0", "\t", "0"}, {"00 left as 0", "00\t", "0"}, {"15 left as it is", "15\t", "15"},
                             {"the first and last digit", "90", "90"}};
    for (const auto &row : rows)
      QTest::newRow(row[0]) << row[1] << row[2];
  }
  void dwellMs_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");
    const std::pair<const char *, int> rows[] = {{"0", 0}, {"1", 100}, {"655", 65500}, {"656", 0}, {"", 0}, {"x", 0}};
    for (const auto &[text, ms] : rows)
      QTest::newRow(text) << text << ms;
  }
  // A dwell of 0, or above its maximum, is no dwell.
  void dwellMs() {
    QFETCH(QString, text);
    QTEST(motion::DwellMs(text), "ms");
  }

  void dwellBox() {
    QFETCH(QString, keys);
    Rig r;
    Control &box = r.f().txtTimer;
    box.setText({});
    kt::type(box, keys.section(u'^', 0, 0).remove(u'\t'));
    kt::type(box, keys.section(u'^', 1).remove(u'\t'), int(box.text().size()));
    if (keys.endsWith(u'\t'))
      box.lostFocus();
    QTEST(box.text(), "text");
  }

  void moves_data() {
    QTest::addColumn<bool>("continuous");
    QTest::addColumn<bool>("dwell");
    QTest::addColumn<int>("stopAt"); // Stop pressed as this move starts; 0: never
    QTest::newRow("step") << false << false << 0;
    QTest::newRow("step, dwell ticked") << false << true << 0;
    QTest::newRow("continuous, stopped in the third move") << true << false << 3;
    QTest::newRow("continuous with dwell, stopped in the second") << true << true << 2;
  }
  // One "0MP01" a move, polled until it ends; Stop lets the move in progress
  // complete. Only Stop is usable meanwhile.
  void moves() {
    QFETCH(bool, continuous);
    QFETCH(bool, dwell);
    QFETCH(int, stopAt);
    Rig r;
    (continuous ? r.f().optCNT : r.f().optSTEP).setChecked(true);
    r.f().chkTimerUse.setChecked(dwell);
    r.f().txtTimer.setText("0");
    bool locked = false;
    r.on("0MP01", 1, [&] {
      FrmMain &f = r.f();
      locked = f.cmdSTOP.isEffectivelyEnabled() && !f.cmdMOVE.isEnabled() && !f.cmdHOME.isEnabled() &&
               !f.cmdLoadtoCt.isEffectivelyEnabled() && !f.SSTab1.isTabEnabled(1) && !f.mnuCont.isEnabled();
    });
    if (stopAt)
      r.on("0MP01", stopAt, [&r] { r.f().cmdSTOP.click(); });
    QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
    QCOMPARE(r.wire().count("0MP01"), stopAt ? stopAt : 1);
    QVERIFY(r.wire().first() == "0RA" && r.wire().last() == "0RA" && r.sim().status() == 1); // the last move completed
    QVERIFY(locked && !r.line.isOpen() && r.f().cmdMOVE.isEnabled() && r.f().cmdHOME.isEnabled() && r.f().SSTab1.isTabEnabled(1));
    // A stopped run keeps its moves; the last has no cycle of its own.
    const qsizetype moves = stopAt ? stopAt : 1;
    QCOMPARE(r.p.moveStats.moves().size(), moves);
    QCOMPARE(r.p.moveStats.cycleTimes().size(), moves - 1);
  }

  void dwell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms"); // from a move's end to the next move, or to the end of a dwell Stop cut short
    QTest::addColumn<bool>("stop");
    QTest::newRow("1: 100 ms") << "1" << 100 << false;
    QTest::newRow("0: none") << "0" << 0 << false;
    QTest::newRow("empty: none") << "" << 0 << false;
    QTest::newRow("15: 1500 ms, Stop ends it at once") << "15" << 0 << true;
  }
  void dwell() {
    QFETCH(QString, text);
    QFETCH(int, ms);
    QFETCH(bool, stop);
    Rig r;
    r.f().chkTimerUse.setChecked(true);
    r.f().txtTimer.setText(text);
    QElapsedTimer clock;
    qint64 gap = -1;
    connect(&r.p.motion, &MotionTest::moveCompleted, this, [&] {
      clock.start();
      if (stop)
        QTimer::singleShot(0, this, [&] {
          QCOMPARE(r.p.motion.Timer2.interval(), 1500);
          r.f().cmdSTOP.click();
        });
    });
    connect(&r.p.motion, &MotionTest::runEnded, this, [&] { gap = stop ? clock.elapsed() : gap; });
    r.on("0MP01", 2, [&] {
      gap = clock.elapsed();
      r.f().cmdSTOP.click();
    });
    QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
    QVERIFY2(gap >= ms && gap < ms + 80, qPrintable(QString::number(gap)));
    QCOMPARE(r.wire().count("0MP01"), stop ? 1 : 2);
  }

  void runs_data() {
    QTest::addColumn<bool>("home"); // else the move test, one step
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("said"); // on the status line; none: an error reply, told in a box and the alarm area
    const QStringList polled{kt::msg(5216)}, none;
    // A busy controller refuses the move test: only "0RA" is sent.
    QTest::newRow("move, moving") << false << Setup([](Rig &r) { r.sim().setStatus(0); }) << QStringList{kt::msg(5190)};
    QTest::newRow("move, in alarm") << false << Setup([](Rig &r) { r.sim().raiseAlarm("10"); }) << QStringList{kt::msg(5191)};
    QTest::newRow("move, error reply to the move")
        << false << Setup([](Rig &r) { r.on("0RA", 1, [&r] { r.sim().setFault("0MP01", F::ErrorReply, 1); }); }) << none;
    QTest::newRow("move, error reply to a poll")
        << false << Setup([](Rig &r) { r.on("0MP01", 1, [&r] { r.sim().setFault("0RA", F::ErrorReply, 1); }); }) << none;
    QTest::newRow("homing reaches 1") << true << Setup([](Rig &) {}) << polled;
    // Home stays usable while the polls report 2; a second press ends the wait.
    QTest::newRow("homing, second press") << true << Setup([](Rig &r) {
      r.sim().setHomingEnds(2);
      r.on("0RA", 40, [&r] {
        if (r.f().cmdHOME.isEffectivelyEnabled() && !r.f().cmdMOVE.isEnabled())
          r.f().cmdHOME.click();
        else
          r.p.link.shutdown(); // ends the wait, and the test fails
      });
    }) << polled + QStringList{kt::msg(5141)};
    QTest::newRow("homing, error reply") << true << Setup([](Rig &r) { r.sim().setErrorKey("12"); r.sim().setFault("0MP", F::ErrorReply); })
                                         << none;
  }
  // Refused or failed: told once, the port free, the commands back.
  void runs() {
    QFETCH(bool, home);
    QFETCH(Setup, setup);
    QFETCH(QStringList, said);
    Rig r;
    r.f().optSTEP.setChecked(true);
    setup(r);
    const bool reached = home && said.size() == 1;
    QCOMPARE(home ? r.p.motion.cmdHOME_Click() : r.p.motion.cmdMOVE_Click(), qint16(!reached));
    QCOMPARE(r.dialogs.statuses, said);
    QCOMPARE(r.dialogs.shown.size(), said.isEmpty() ? 1 : 0);
    if (home || !said.isEmpty())
      QCOMPARE(r.wire().mid(0, 2), home ? (Lines{"0CM6", "0MP00"}) : Lines{"0RA"});
    QVERIFY(r.wire().count("0RA") >= (said.size() == 2 ? 40 : 0));
    QCOMPARE(r.dialogs.achieved.contains(kt::msg(5140)), reached);
    QCOMPARE(r.f().imgAlarmLed.isVisible(), said.isEmpty());
    QVERIFY(r.f().cmdMOVE.isEnabled() && r.f().cmdHOME.isEnabled() && r.f().mnuCont.isEnabled() && !r.line.isOpen());
  }

  void monitor_data() {
    QTest::addColumn<QByteArray>("replies"); // to each exchange, "|" between
    QTest::addColumn<QString>("clicks");     // double-clicked after the first tick: white icons by index, lit lamps by name
    QTest::addColumn<QString>("lit");        // STB RES ALM RDY IN-P, the lamp by OUT2, by OUT1
    QTest::addColumn<int>("told");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<QByteArray>("written"); // the output word sent
    const std::tuple<const char *, const char *, const char *, const char *, int, bool, const char *> rows[] = {
        {"input 800: STB", "0CM7|0RI800|0RO00", "", "1000000", 0, true, ""},
        {"input 5FF: none", "0CM7|0RI5FF|0RO00", "", "0000000", 0, true, ""},
        {"output 71, OUT1 and OUT2 crossed", "0CM7|0RI000|0RO71", "", "0011101", 0, true, ""},
        {"lower case is hex", "0CM7|0RIa00|0RO2f", "", "1101011", 0, true, ""},
        // A double-click inverts the output its lamp shows, on the next tick; the rest is written back as read.
        {"02, the lit lamp by OUT2", "0CM7|0RI000|0RO02|0WO00|0RI000|0RO00", "imgOutputOut1", "0000000", 0, true, "0WO00"},
        {"02, the white icon by OUT1", "0CM7|0RI000|0RO02|0WO03|0RI000|0RO03", "24", "0000011", 0, true, "0WO03"},
        {"80 kept, ALM on", "0CM7|0RI000|0RO80|0WOC0|0RI000|0ROC0", "20", "0010000", 0, true, "0WOC0"},
        {"the lit ALM lamp", "0CM7|0RI000|0RO40|0WO00|0RI000|0RO00", "imgOutputAlm", "0000000", 0, true, "0WO00"},
        {"two double-clicks invert once", "0CM7|0RI000|0RO02|0WO03|0RI000|0RO03", "24 24", "0000011", 0, true, "0WO03"},
        {"an input's icon writes the image", "0CM7|0RI000|0RO02|0WO02|0RI000|0RO02", "0", "0000010", 0, true, "0WO02"},
        // Told, and the monitor stops: at once when monitor mode is refused,
        // else on the next tick, the lamps keeping the last good words.
        {"mode, error reply", "0%%010|0CM6", "", "0000000", 1, false, ""},
        {"mode, wrong echo", "0CX7|0CM6", "", "0000000", 1, false, ""},
        {"input word not hex", "0CM7|0RI800|0RO20|0RI8Z0|0RO22", "", "1001000", 1, false, ""},
        {"output word not hex", "0CM7|0RI800|0RO20|0RI800|0RO2 ", "", "1001000", 1, false, ""},
        // A wrong echo of the write is told; the tick still reads and shows the words.
        {"write, wrong echo", "0CM7|0RI000|0RO02|0WO20|0RI000|0RO02", "24", "0000010", 1, true, "0WO03"}};
    for (const auto &[name, replies, clicks, lit, told, goesOn, written] : rows)
      QTest::newRow(name) << QByteArray(replies) << clicks << lit << told << goesOn << QByteArray(written);
  }
  void monitor() {
    QFETCH(QByteArray, replies);
    QFETCH(QString, clicks);
    QFETCH(bool, goesOn);
    QFETCH(QByteArray, written);
    ProgramRig<ScriptedDevice> r;
    for (const QByteArray &reply : replies.split('|'))
      r.line.answers << QList<QByteArray>{reply + "\r\n"};
    startMonitor(r.p);
    for (const QString &c : clicks.split(u' ', Qt::SkipEmptyParts)) {
      bool icon = false;
      const int index = c.toInt(&icon);
      (icon ? r.f().imgWhiteIcon(index) : *r.f().find(c)).dblClick();
    }
    if (!r.line.answers.isEmpty() && r.p.io.IoMonitoring)
      r.p.io.timerInputOutput1_Timer();
    QTEST(lit(r.p.io), "lit");
    QTEST(int(r.dialogs.shown.size()), "told");
    QCOMPARE(r.p.io.IoMonitoring && !r.p.io.IoStopRequest, goesOn);
    QCOMPARE(r.f().cmdIoMonitor.text(), kt::msg(goesOn ? 704 : 702));
    const QByteArray wire = r.line.written.join();
    QVERIFY(wire.count("0WO") == (written.isEmpty() ? 0 : 1) && wire.contains(written));
    QVERIFY(!r.p.io.IoWriteRequest);
    if (!goesOn)
      QVERIFY(!r.line.isOpen() && r.f().cmdMOVE.isEnabled());
  }

  // The change list: every signal at the first read, then what changed; saved as CSV.
  void historySaved() {
    Rig r;
    r.sim().setInputWord(0x800);
    startMonitor(r.p);
    r.sim().setInputWord(0x200);
    r.p.io.timerInputOutput1_Timer();
    r.p.io.timerInputOutput1_Timer(); // nothing changed
    r.dialogs.files = {kt::path("io.csv")};
    QCOMPARE(r.p.io.saveHistory(), qint16(0));
    QStringList rows = QString::fromLatin1(kt::readFile(kt::path("io.csv"))).split(u"\r\n"_qs);
    QVERIFY(rows.takeFirst() == u"ms,signal,state" && rows.takeLast().isEmpty());
    for (QString &row : rows)
      row = row.section(u',', 1); // the times differ run to run
    QCOMPARE(rows, (QStringList{"STB,1", "RES,0", "ALM,0", "RDY,1", "IN-P,0", "OUT2,0", "OUT1,0", "STB,0", "RES,1"}));
  }

  // The stop asked for before the first tick: monitor mode is entered, then left at once.
  void twoPressesBeforeTheFirstTick() {
    Rig r;
    r.f().cmdIoMonitor.click();
    r.f().cmdIoMonitor.click();
    QVERIFY(r.f().cmdMOVE.isEnabled() && r.f().cmdIoMonitor.text() == kt::msg(702));
    r.p.io.timerInputOutput1_Timer();
    QCOMPARE(r.wire(), (Lines{"0CM7", "0CM0"}));
    QVERIFY(!r.p.io.IoMonitoring && !r.p.io.timerInputOutput1.isActive());
    r.f().imgWhiteIcon(24).dblClick(); // after the stop: nothing, nor at the end
    r.p.frmMain_Unload();
    QVERIFY(!r.p.io.IoWriteRequest && !r.line.isOpen() && r.wire().size() == 2);
  }

  void failedExchangeEndsTheMonitor_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<ControllerSim::Fault>("fault");
    QTest::newRow("no reply to a word") << QByteArray("0RO") << F::NoReply;
    QTest::newRow("line gone during a word") << QByteArray("0RO") << F::Vanish;
    QTest::newRow("line gone during a write") << QByteArray("0WO") << F::Vanish;
    QTest::newRow("word of the wrong length") << QByteArray("0RO") << F::WrongLength;
  }
  // A lost line ends the monitor at once, told once; a wrong reply stops it
  // on the next tick, which leaves monitor mode. The lamps go dark either way.
  void failedExchangeEndsTheMonitor() {
    QFETCH(QByteArray, code);
    QFETCH(ControllerSim::Fault, fault);
    const bool lost = fault != F::WrongLength;
    Rig r;
    r.sim().setInputWord(0x800);
    startMonitor(r.p);
    QCOMPARE(lit(r.p.io), u"1001000"_qs);
    r.sim().setFault(code, fault);
    if (fault == F::Vanish)
      r.line.setOpenFailure(u"gone"_qs); // as a pty whose far end closed
    if (code == "0WO")
      r.f().imgWhiteIcon(24).dblClick();
    r.p.io.timerInputOutput1_Timer();
    QVERIFY(r.dialogs.shown.size() == 1 && r.f().cmdMOVE.isEnabled() && r.f().cmdIoMonitor.text() == kt::msg(702));
    QCOMPARE(lit(r.p.io), lost ? u"0000000"_qs : u"1001000"_qs); // kept until the stop
    r.sim().clearFaults();
    r.p.io.timerInputOutput1_Timer(); // the stop's tick, or one already due: nothing more told
    const auto end = r.p.io.history().ended(); // marked on the timeline
    QVERIFY(end && end->lineLost == lost && end->ms >= r.p.io.history().changes().last().ms);
    r.p.frmMain_Unload(); // monitor mode, left or lost, is not left again
    QCOMPARE(r.wire().count("0CM0"), lost ? 0 : 1);
    QVERIFY(lit(r.p.io) == u"0000000" && r.dialogs.shown.size() == 1);
    QVERIFY(!r.p.io.IoMonitoring && !r.p.io.timerInputOutput1.isActive() && !r.p.io.IoWriteRequest);
  }

  // The program ending during a dwell or a monitor tick: every wait ends at
  // once, and only the monitor's leaving of monitor mode is sent after.
  void ending() {
    for (const bool tick : {false, true}) {
      Rig r;
      r.f().chkTimerUse.setChecked(true);
      r.f().txtTimer.setText("600"); // a minute: the test ends it, not the timer
      qsizetype linesAtEnd = -1;
      auto end = [&r, &linesAtEnd] {
        r.p.link.shutdown();
        linesAtEnd = r.wire().size();
      };
      QElapsedTimer clock;
      clock.start();
      if (tick) {
        startMonitor(r.p);
        r.on("0RI", 1, end);
        r.sim().setFault("0RI", F::NoReply, 1);
        r.p.io.timerInputOutput1_Timer();
      } else {
        connect(&r.p.motion, &MotionTest::moveCompleted, this, [&] { QTimer::singleShot(0, this, end); });
        QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
      }
      QVERIFY(clock.elapsed() < 5000 && linesAtEnd > 0);
      QCOMPARE(r.wire().mid(linesAtEnd), tick ? Lines{"0CM0"} : Lines{});
      QVERIFY(!r.line.isOpen() && !r.p.io.IoMonitoring);
    }
  }
};

KOV_TEST_GUILESS_MAIN(tst_Motion)
#include "tst_motion.moc"
