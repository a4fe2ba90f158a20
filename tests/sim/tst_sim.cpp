#include "controllersim.h"
#include "simportdevice.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using B = QByteArray;
using Lines = QList<QByteArray>;
using Fault = ControllerSim::Fault;
using Faults = QList<std::tuple<QByteArray, Fault, int>>; // code, kind, times

namespace {

// Big-endian hex of `value` in `bytes` bytes, as the blocks carry it.
B be(int value, int bytes) { return B::number(value, 16).toUpper().rightJustified(bytes * 2, '0'); }

// Standard parameters of a size-28 actuator, field by field.
const B Block0 = be(30, 2) + be(30, 1) + be(10, 1) + be(10, 1) + be(10, 1) // HomeOffset .. Aux05
                 + be(0, 1) + be(100, 2) + be(0, 1) + be(125, 1)           // PgFunc .. PgCheckTimer
                 + be(0, 1) + be(0, 1) + be(1, 1) + be(0, 1) + be(0, 1);   // LsSerchTimer .. reserved 0
const B Block1 = be(2, 1) + be(2, 1) + be(400, 2) + be(65535, 3)           // AxisKind .. Aux06
                 + be(20, 1) + be(0, 1) + be(28, 1) + be('L', 1)           // Aux10 .. type
                 + be(100, 2) + be(0, 3);                                  // model, motor code, reserved
const B Block2 = be(0, 4) + be(0, 3) + be(0, 3) + be(10, 1) + be(10, 1) + be(0, 4);
const B Block7 = "012C00960032" + be(281, 2) + "00C8006400000000"; // 1.5 A
const B StartPoint = "03E8" "2" "0" "00000" "0" "08" "03";
const B NewFields = "05DC200000010802";
const B NewHex = "00112233445566778899AABBCCDDEEFF";

// Each piece the simulator sends for `line`, up to the reply to a "0RI" sent
// behind it, which no fault touches; "<sync>" first if anything came back
// inside receive() itself.
Lines sent(ControllerSim &sim, const B &line) {
  QSignalSpy spy(&sim, &ControllerSim::send);
  sim.setFault("0RI", Fault::None);
  sim.receive(line + "\r\n0RI\r\n");
  Lines out;
  if (!spy.isEmpty())
    out << "<sync>";
  int ends = line.startsWith("0RI") ? 2 : 1;
  while (ends > 0 && (!spy.isEmpty() || spy.wait(1000)))
    if (const B piece = spy.takeFirst().at(0).toByteArray(); !piece.startsWith("0RI") || --ends > 0)
      out << piece;
  if (ends > 0)
    out << "<no end>";
  return out;
}

B ask(ControllerSim &sim, const B &line) { return sent(sim, line).join(); }

} // namespace

class tst_Sim : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void chaos_data();
  void chaos();
  void replies_data() {
    QTest::addColumn<B>("line");
    QTest::addColumn<B>("reply");
    const B undefined = "0%%001", format = "0%%002", range = "0%%003";
    const QList<std::pair<B, B>> table{
        {"0CM6", "0CM6"}, {"0CM7", "0CM7"}, {"0RA", "0RA1"}, {"0AR", "0AR"}, {"0RV", "0RV110SIM"},
        {"0%C", "0%C00000000000"}, {"0WP01" + NewFields, "0WP01"}, {"0WA0101", "0WA"},
        {"0RP01", "0RP01" + StartPoint}, {"0RD0", "0RD0" + Block0}, {"0RD1", "0RD1" + Block1},
        {"0RD2", "0RD2" + Block2}, {"0RD7", "0RD7" + Block7}, {"0WD1" + NewHex, "0WD1"}, {"0WE", "0WE"},
        {"0WD7" + NewHex, "0WD7"}, {"0WF", "0WF"}, {"0MP00", "0MP00"}, {"0MP01", "0MP01"}, {"0RI", "0RI000"},
        {"0RO", "0RO20"}, {"0XY", undefined}, {"0RA1", format}, {"0CM8", range}, {"0RD3", range},
        {"0RP02", range}, {"0MP02", range}, {"0WD3" + NewHex, range}, {"0WD0" + NewHex.left(31) + "G", format},
        {"0WP01" + NewFields.left(15), format}, {"0WP0105DC400000010802", range}, {"0WA0102", range},
        {"0WO20", "0%%005"}};
    for (const auto &[line, reply] : table)
      QTest::newRow(line.constData()) << line << reply;
  }

  void replies() {
    QFETCH(B, line);
    QFETCH(B, reply);
    ControllerSim sim;
    QCOMPARE(sent(sim, line), Lines{reply + "\r\n"});
  }

  void timedMove_data() {
    QTest::addColumn<B>("point");
    QTest::addColumn<int>("unscaledMs");
    QTest::newRow("homing") << B("00") << 1500;
    QTest::newRow("index move") << B("01") << 650;
  }

  void timedMove() {
    QFETCH(B, point);
    QFETCH(int, unscaledMs);
    ControllerSim sim;
    sim.setTimeScale(0.05);
    QElapsedTimer t;
    t.start();
    QCOMPARE(ask(sim, "0MP" + point), "0MP" + point + "\r\n");
    QCOMPARE(ask(sim, "0RA"), B("0RA0\r\n"));
    while (ask(sim, "0RA") == "0RA0\r\n" && t.elapsed() < 1000) {
    }
    QVERIFY2(t.elapsed() >= unscaledMs * 0.05 * 0.9, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));
  }

  // Lines in order from the start state, each followed by its reply (empty:
  // none); moves do not end meanwhile.
  void conversations_data() {
    QTest::addColumn<B>("alarm"); // raised first
    QTest::addColumn<int>("inputs");
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<Lines>("talk");
    auto row = [](const char *name, const Lines &talk, const Faults &faults = {}, const B &alarm = {},
                  int inputs = 0) { QTest::newRow(name) << alarm << inputs << faults << talk; };
    row("alarm and reset",
        {"0RA", "0RA3", "0MP01", "0%%100", "0RO", "0RO40", "0%C", "0%C10110000000", "0AR", "0AR", "0RA", "0RA1",
         "0RO", "0RO20", "0MP01", "0MP01"}, {}, "11");
    row("outputs in monitor mode only",
        {"0CM7", "0CM7", "0WO03", "0WO03", "0RO", "0RO03", "0CM6", "0CM6", "0WOC1", "0WOC1", "0CM0", "0CM0",
         "0WO00", "0%%005", "0RO", "0ROC1", "0RI", "0RIA05"}, {}, {}, 0xA05);
    row("point by 0WA",
        {"0WP01" + NewFields, "0WP01", "0RP01", "0RP01" + StartPoint, "0WA0101", "0WA", "0RP01", "0RP01" + NewFields});
    auto reads = [](const B &b0, const B &b1, const B &b2, const B &b7) {
      return Lines{"0RD0", "0RD0" + b0, "0RD1", "0RD1" + b1, "0RD2", "0RD2" + b2, "0RD7", "0RD7" + b7};
    };
    Lines stage;
    for (const B block : {"0WD0", "0WD1", "0WD2", "0WD7"})
      stage << block + NewHex << block;
    const Lines all = reads(NewHex, NewHex, NewHex, NewHex);
    row("blocks 0-2 by 0WE, then 7 by 0WF", stage + reads(Block0, Block1, Block2, Block7) + Lines{"0WE", "0WE"} +
                                              reads(NewHex, NewHex, NewHex, Block7) + Lines{"0WF", "0WF"} + all);
    row("block 7 by 0WF, then 0-2 by 0WE",
        stage + Lines{"0WF", "0WF"} + reads(Block0, Block1, Block2, NewHex) + Lines{"0WE", "0WE"} + all);
    const B refused = "0%%004";
    row("refused while moving, staged or not",
        {"0WP01" + NewFields, "0WP01", "0WD0" + NewHex, "0WD0", "0WD7" + NewHex, "0WD7", "0MP00", "0MP00",
         "0WP01" + NewFields, refused, "0WA0101", refused, "0WD0" + NewHex, refused, "0WE", refused,
         "0WD7" + NewHex, refused, "0WF", refused, "0MP01", refused, "0RA", "0RA0",
         "0RP01", "0RP01" + StartPoint, "0RD0", "0RD0" + Block0, "0RD7", "0RD7" + Block7});
    row("a fault for two lines", {"0RA", "", "0RA", "", "0RA", "0RA1"}, {{"0RA", Fault::NoReply, 2}});
    row("an error reply refuses the command",
        {"0CM6", "0CM6", "0WP01" + NewFields, "0%%001", "0WA0101", "0WA", "0RP01", "0RP01" + StartPoint},
        {{"*", Fault::ErrorReply, -1}, {"0CM", Fault::None, -1}, {"0WA", Fault::None, -1}, {"0RP", Fault::None, -1}});
    const Faults overlapping{{"0", Fault::NoReply, -1}, {"0W", Fault::NoReply, -1}, {"0WD", Fault::NoReply, -1},
                             {"0WD7", Fault::None, -1}};
    row("the longest code wins", {"0WD7" + NewHex, "0WD7", "0WD0" + NewHex, ""}, overlapping);
    row("a lost reply does not undo it",
        {"0WP01" + NewFields, "0WP01", "0WA0101", "", "0RP01", "0RP01" + NewFields}, {{"0WA", Fault::NoReply, -1}});
  }

  void conversations() {
    QFETCH(B, alarm);
    QFETCH(int, inputs);
    QFETCH(Faults, faults);
    QFETCH(Lines, talk);
    ControllerSim sim;
    sim.setTimeScale(1000);
    if (!alarm.isEmpty())
      sim.raiseAlarm(alarm);
    sim.setInputWord(inputs);
    for (const auto &[code, fault, times] : faults)
      sim.setFault(code, fault, times);
    Lines got;
    for (qsizetype i = 0; i + 1 < talk.size(); i += 2) {
      got << talk[i] << ask(sim, talk[i]);
      if (!talk[i + 1].isEmpty())
        talk[i + 1] += "\r\n";
    }
    QCOMPARE(got, talk);
  }

  // Lines may come in pieces and several at once; each is logged.
  void linesAndLog() {
    ControllerSim sim;
    sim.receive("0R");
    sim.receive("A\r");
    QVERIFY(sim.receivedLines().isEmpty());
    QCOMPARE(sent(sim, "\n0RV\r\n\r\n0CM6"), (Lines{"0RA1\r\n", "0RV110SIM\r\n", "0CM6\r\n"}));
    QCOMPARE(sim.receivedLines(), (Lines{"0RA", "0RV", "", "0CM6", "0RI"}));
  }

  void faults_data() {
    QTest::addColumn<B>("code");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<B>("line");
    QTest::addColumn<Lines>("sent");
    QTest::newRow("no reply") << B("0RA") << Fault::NoReply << B("0RA") << Lines{};
    QTest::newRow("wrong length") << B("0RA") << Fault::WrongLength << B("0RA") << Lines{"0RA10\r\n"};
    QTest::newRow("wrong echo") << B("0RA") << Fault::WrongEcho << B("0RA") << Lines{"0XX1\r\n"};
    QTest::newRow("error reply") << B("0RA") << Fault::ErrorReply << B("0RA") << Lines{"0%%103\r\n"};
    QTest::newRow("garbage block") << B("0RD") << Fault::Garbage << B("0RD1") << Lines{"0RD1" + B(32, 'Z') + "\r\n"};
    QTest::newRow("garbage point") << B("0RP") << Fault::Garbage << B("0RP01") << Lines{"0RP01" + B(16, 'Z') + "\r\n"};
    QTest::newRow("garbage echo") << B("0WP") << Fault::Garbage << "0WP01" + NewFields << Lines{"0WPZZ\r\n"};
    QTest::newRow("garbage bare echo") << B("0AR") << Fault::Garbage << B("0AR") << Lines{"0ZZ\r\n"};
    QTest::newRow("split") << B("0RA") << Fault::Split << B("0RA") << Lines{"0", "R", "A", "1", "\r", "\n"};
    QTest::newRow("two lines") << B("0CM") << Fault::TwoLines << B("0CM6") << Lines{"0CM6\r\n0RA1\r\n"};
    QTest::newRow("every command") << B("*") << Fault::WrongEcho << B("0RV") << Lines{"0XX110SIM\r\n"};
    QTest::newRow("longer code only") << B("0WD7") << Fault::NoReply << "0WD0" + NewHex << Lines{"0WD0\r\n"};
  }

  void faults() {
    QFETCH(B, code);
    QFETCH(Fault, fault);
    QFETCH(B, line);
    ControllerSim sim;
    sim.setErrorKey("13");
    sim.setFault(code, fault);
    QTEST(sent(sim, line), "sent");
  }

  // Never early: a reply leaves after the line has come in and each of its
  // characters after those before it.
  void pacedReplies() {
    const double charNs = 1e10 / 9600; // 10 bits
    ControllerSim sim;
    sim.setPaced(true);
    sim.setFault("0RV", Fault::Split, 1);
    QList<qint64> at;
    QElapsedTimer t;
    connect(&sim, &ControllerSim::send, this, [&] { at << t.nsecsElapsed(); });
    t.start();
    QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));
    QVERIFY2(at.value(0) >= qint64(11 * charNs), qPrintable(QString::number(at.value(0)))); // 5 in, 6 out
    at.clear();
    t.restart();
    QCOMPARE(sent(sim, "0RV").size(), 11);
    for (int i = 0; i < 11; ++i) // after the 5 of the line and i + 1 of its own
      QVERIFY2(at[i] >= qint64((6 + i) * charNs), qPrintable(QString::number(at[i])));
  }

  void portDevice() {
    ControllerSim sim;
    SimPortDevice dev(&sim);
    QSignalSpy arrived(&dev, &PortDevice::dataArrived);
    QString reason;
    dev.setOpenFailure("port busy");
    QVERIFY(!dev.open(3, &reason));
    QCOMPARE(reason, QString("port busy"));
    QVERIFY(!dev.write("0RA\r\n"));

    dev.setOpenFailure({});
    QVERIFY(dev.open(32, &reason));
    QVERIFY(dev.write("0R") && dev.write("A\r\n"));
    QVERIFY(arrived.wait(1000));
    QCOMPARE(dev.readAll(), B("0RA1\r\n"));

    // A reply that comes while the port is closed is lost, as on a real port.
    QSignalSpy replied(&sim, &ControllerSim::send);
    QVERIFY(dev.write("0RV\r\n"));
    dev.close();
    QVERIFY(replied.wait(1000));
    QVERIFY(dev.open(1, &reason));
    QCOMPARE(dev.bytesAvailable(), 0);
    QCOMPARE(sim.receivedLines(), (Lines{"0RA", "0RV"}));

    sim.setFault("*", Fault::Vanish);
    QSignalSpy gone(&dev, &PortDevice::vanished);
    QVERIFY(dev.write("0CM6\r\n"));
    QVERIFY(gone.wait(1000));
    QVERIFY(!dev.isOpen());
  }

  void kovSim_data() {
    QTest::addColumn<bool>("vanish");
    QTest::newRow("terminated") << false;
    QTest::newRow("line vanished") << true;
  }

  // kov-sim on a pseudo-terminal behind its link: it answers, and ends
  // cleanly with the link removed.
  void kovSim() {
    QFETCH(bool, vanish);
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyKOV");
    QProcess proc;
    proc.start(KOV_SIM_PATH, {"--link", link, "--fault", "0RV:vanish"});
    QVERIFY(proc.waitForReadyRead(2000));
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLatin1(proc.readLine().trimmed()));
    QSerialPort port(link);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(port.write("0RA\r\n") == 5);
    B got;
    while (!got.endsWith("\r\n") && port.waitForReadyRead(2000))
      got += port.readAll();
    QCOMPARE(got, B("0RA1\r\n"));
    if (vanish)
      QVERIFY(port.write("0RV\r\n") == 5 && port.waitForBytesWritten(1000));
    else
      proc.terminate();
    QVERIFY(proc.waitForFinished(2000));
    QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(proc.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
  }
};

void tst_Sim::chaos_data() {
  QTest::addColumn<double>("rate");
  QTest::addColumn<int>("least");
  QTest::addColumn<int>("most");
  QTest::newRow("off") << 0.0 << 0 << 0;
  QTest::newRow("every line") << 1.0 << 200 << 200;
  QTest::newRow("a quarter") << 0.25 << 25 << 75;
}

// Chaos spoils about its share of lines with faults of every kind, and the
// same seed spoils the same lines the same way.
void tst_Sim::chaos() {
  QFETCH(double, rate);
  auto run = [rate](quint32 seed) {
    ControllerSim sim;
    sim.setChaos(rate, seed);
    for (int i = 0; i < 200; ++i)
      sim.receive("0RA\r\n");
    return sim.chaosFaults();
  };
  const QList<ControllerSim::Fault> a = run(7);
  QFETCH(int, least);
  QFETCH(int, most);
  QVERIFY2(a.size() >= least && a.size() <= most, qPrintable(QString::number(a.size())));
  QCOMPARE(run(7), a);
  if (rate == 1.0) {
    QVERIFY(run(8) != a);
    QCOMPARE(QSet<ControllerSim::Fault>(a.begin(), a.end()).size(), 8); // every kind
  }
}

QTEST_GUILESS_MAIN(tst_Sim)
#include "tst_sim.moc"
