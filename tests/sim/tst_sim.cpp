// The controller simulator: its state, its faults, pacing and chaos.
#include "controllersim.h"
#include "simportdevice.h"
#include "simprocess.h"
#include "telnet.h"

#include <QSignalSpy>
#include <QTcpSocket>

using B = QByteArray;
using Lines = QList<QByteArray>;
using Fault = ControllerSim::Fault;
using Faults = QList<std::tuple<QByteArray, Fault, int>>; // code, kind, times

namespace {
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
  // Homing and an index move last their scaled time, never less.
  void timedMove() {
    for (const auto &[point, unscaledMs] : {std::pair<B, int>{"00", 1500}, {"01", 650}}) {
      ControllerSim sim;
      sim.setTimeScale(0.05);
      QElapsedTimer t;
      t.start();
      QCOMPARE(ask(sim, "0MP" + point), "0MP" + point + "\r\n");
      while (ask(sim, "0RA") == "0RA0\r\n" && t.elapsed() < 1000) {
      }
      QVERIFY2(t.elapsed() >= unscaledMs * 0.05 * 0.9, qPrintable(QString::number(t.elapsed())));
      QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));
    }
  }

  // Lines in order from the start state, each followed by its reply (empty:
  // none; "=": a fresh simulator's); moves do not end meanwhile.
  void conversations_data() {
    QTest::addColumn<B>("alarm"); // raised first
    QTest::addColumn<int>("inputs");
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<Lines>("talk");
    auto row = [](const char *name, const Lines &talk, const Faults &faults = {}, const B &alarm = {},
                  int inputs = 0) { QTest::newRow(name) << alarm << inputs << faults << talk; };
    row("alarm and reset", {"0RA", "0RA3", "0MP01", "0%%100", "0RO", "0RO40", "0%C", "0%C10110000000", "0AR",
                            "0AR", "0RA", "0RA1", "0RO", "0RO20", "0MP01", "0MP01"}, {}, "11");
    row("outputs in monitor mode only",
        {"0CM7", "0CM7", "0WO03", "0WO03", "0RO", "0RO03", "0CM6", "0CM6", "0WOC1", "0WOC1", "0CM0", "0CM0",
         "0WO00", "0%%005", "0RO", "0ROC1", "0RI", "0RIA05"}, {}, {}, 0xA05);
    row("point by 0WA", {"0WP01" + NewFields, "0WP01", "0RP01", "=", "0WA0101", "0WA", "0RP01", "0RP01" + NewFields});
    auto reads = [](const B &b0, const B &b1, const B &b2, const B &b7) {
      return Lines{"0RD0", b0.size() > 1 ? "0RD0" + b0 : b0, "0RD1", b1.size() > 1 ? "0RD1" + b1 : b1,
                   "0RD2", b2.size() > 1 ? "0RD2" + b2 : b2, "0RD7", b7.size() > 1 ? "0RD7" + b7 : b7};
    };
    Lines stage;
    for (const B block : {"0WD0", "0WD1", "0WD2", "0WD7"})
      stage << block + NewHex << block;
    const Lines all = reads(NewHex, NewHex, NewHex, NewHex);
    row("blocks 0-2 by 0WE, then 7 by 0WF", stage + reads("=", "=", "=", "=") + Lines{"0WE", "0WE"} +
                                              reads(NewHex, NewHex, NewHex, "=") + Lines{"0WF", "0WF"} + all);
    row("block 7 by 0WF, then 0-2 by 0WE",
        stage + Lines{"0WF", "0WF"} + reads("=", "=", "=", NewHex) + Lines{"0WE", "0WE"} + all);
    const B refused = "0%%004";
    row("refused while moving, staged or not",
        {"0WP01" + NewFields, "0WP01", "0WD0" + NewHex, "0WD0", "0WD7" + NewHex, "0WD7", "0MP00", "0MP00",
         "0WP01" + NewFields, refused, "0WA0101", refused, "0WD0" + NewHex, refused, "0WE", refused,
         "0WD7" + NewHex, refused, "0WF", refused, "0MP01", refused, "0RA", "0RA0", "0RP01", "=", "0RD0", "=",
         "0RD7", "="});
    row("an error reply refuses the command", {"0CM6", "0CM6", "0WP01" + NewFields, "0%%001", "0WA0101", "0WA",
                                               "0RP01", "="},
        {{"*", Fault::ErrorReply, -1}, {"0CM", Fault::None, -1}, {"0WA", Fault::None, -1}, {"0RP", Fault::None, -1}});
    row("the longest code wins", {"0WD7" + NewHex, "0WD7", "0WD0" + NewHex, ""},
        {{"0", Fault::NoReply, -1}, {"0W", Fault::NoReply, -1}, {"0WD", Fault::NoReply, -1}, {"0WD7", Fault::None, -1}});
    row("a lost reply does not undo it",
        {"0WP01" + NewFields, "0WP01", "0WA0101", "", "0RP01", "0RP01" + NewFields}, {{"0WA", Fault::NoReply, -1}});
  }

  void conversations() {
    QFETCH(B, alarm);
    QFETCH(Faults, faults);
    QFETCH(Lines, talk);
    ControllerSim sim, fresh;
    sim.setTimeScale(1000);
    if (!alarm.isEmpty())
      sim.raiseAlarm(alarm);
    QFETCH(int, inputs);
    sim.setInputWord(inputs);
    for (const auto &[code, fault, times] : faults)
      sim.setFault(code, fault, times);
    Lines got;
    for (qsizetype i = 0; i + 1 < talk.size(); i += 2) {
      got << talk[i] << ask(sim, talk[i]);
      talk[i + 1] = talk[i + 1] == "=" ? ask(fresh, talk[i]) : talk[i + 1].isEmpty() ? B() : talk[i + 1] + "\r\n";
    }
    QCOMPARE(got, talk);
  }

  // The shape of each spoiled reply the link does not meet elsewhere.
  void faults() {
    const QList<std::tuple<B, Fault, B, Lines>> table{
        {"0RD", Fault::Garbage, "0RD1", {"0RD1" + B(32, 'Z') + "\r\n"}},
        {"0RP", Fault::Garbage, "0RP01", {"0RP01" + B(16, 'Z') + "\r\n"}},
        {"0WP", Fault::Garbage, "0WP01" + NewFields, {"0WPZZ\r\n"}}, {"0AR", Fault::Garbage, "0AR", {"0ZZ\r\n"}},
        {"*", Fault::WrongEcho, "0RV", {"0XX110SIM\r\n"}}};
    for (const auto &[code, fault, line, pieces] : table) {
      ControllerSim sim;
      sim.setFault(code, fault);
      QCOMPARE(sent(sim, line), pieces);
    }
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
    QCOMPARE(sent(sim, "0RV").size(), 11);
    for (int i = 0; i < 11; ++i) // after the 5 of the line and i + 1 of its own
      QVERIFY2(at[i] >= qint64((6 + i) * charNs), qPrintable(QString::number(at[i])));
  }

  // The built-in line: a refused open, and a reply lost while closed.
  void portDevice() {
    ControllerSim sim;
    SimPortDevice dev(&sim);
    QString reason;
    dev.setOpenFailure("port busy");
    QVERIFY(!dev.open(3, &reason) && reason == u"port busy" && !dev.write("0RA\r\n"));
    dev.setOpenFailure({});
    QSignalSpy replied(&sim, &ControllerSim::send);
    QVERIFY(dev.open(1, &reason) && dev.write("0RV\r\n"));
    dev.close();
    QVERIFY(replied.wait(1000));
    QVERIFY(dev.open(1, &reason) && dev.bytesAvailable() == 0);
    QCOMPARE(sim.receivedLines(), Lines{"0RV"});
  }

  // Chaos spoils about its share of lines with faults of every kind; the
  // seed decides which.
  void chaos() {
    auto run = [](double rate, quint32 seed) {
      ControllerSim sim;
      sim.setChaos(rate, seed);
      for (int i = 0; i < 200; ++i)
        sim.receive("0RA\r\n");
      return sim.chaosFaults();
    };
    const QList<Fault> all = run(1.0, 7), quarter = run(0.25, 7);
    QVERIFY(all.size() == 200 && QSet<Fault>(all.begin(), all.end()).size() == 8); // every kind
    QVERIFY2(quarter.size() >= 25 && quarter.size() <= 75, qPrintable(QString::number(quarter.size())));
    QVERIFY(run(0.0, 7).isEmpty());
    QCOMPARE(run(1.0, 7), all);
    QVERIFY(run(1.0, 8) != all);
  }

  // kov-sim over TCP, as a serial device server: one client at a time (the
  // next told so, in ser2net's words), the line vanishing hangs up and the
  // next client is served; RFC 2217 answers the Telnet negotiation and the
  // line settings.
  void overTcp_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("vanishes");
    QTest::addColumn<int>("minMs");
    const QStringList raw{"--tcp", "0"}, rfc2217{"--tcp", "0", "--rfc2217"};
    QTest::newRow("raw") << raw << false << 0;
    QTest::newRow("rfc2217") << rfc2217 << false << 0;
    QTest::newRow("raw, line vanishes") << raw + QStringList{"--fault", "0RV:vanish:1"} << true << 0;
    QTest::newRow("rfc2217, line vanishes") << rfc2217 + QStringList{"--fault", "0RV:vanish:1"} << true << 0;
    QTest::newRow("rfc2217, 20 ms each way") << rfc2217 + QStringList{"--latency", "20"} << false << 40;
  }

  void overTcp() {
    QFETCH(QStringList, args);
    QFETCH(bool, vanishes);
    QFETCH(int, minMs);
    const bool rfc2217 = args.contains("--rfc2217");
    SimProcess sim;
    QVERIFY(sim.startTcp(args));
    QCOMPARE(sim.url.toString(), QString("%1://127.0.0.1:%2").arg(rfc2217 ? "rfc2217" : "tcp").arg(sim.url.port()));
    const B reply = "0RV" + ControllerSim().version() + "SIM\r\n";
    for (int client = vanishes ? 0 : 1; client < 2; ++client) { // client 0 meets the line vanishing
      QTcpSocket s;
      B got;
      QElapsedTimer t;
      qint64 lastMs = -1; // of the last bytes to arrive
      connect(&s, &QTcpSocket::readyRead, this, [&] {
        got += s.readAll();
        lastMs = t.elapsed();
      });
      QSignalSpy closed(&s, &QTcpSocket::disconnected);
      s.connectToHost(sim.url.host(), quint16(sim.url.port()));
      QVERIFY(s.waitForConnected(5000));
      t.start();
      using namespace telnet;
      s.write((rfc2217 ? command(WILL, ComPort) + comPort(SetBaudRate, 9600) : B()) + "0RV\r\n");
      if (client == 0) {
        QVERIFY(closed.wait(5000));
        QVERIFY(!got.contains("0RV"));
        continue;
      }
      QTRY_VERIFY_WITH_TIMEOUT(got.endsWith(reply), 5000);
      QVERIFY2(lastMs >= minMs, qPrintable(QString::number(lastMs)));
      QList<Event> events;
      QCOMPARE(Parser().feed(got, &events), reply);
      // The server's own greeting, ending in DO COM-PORT-OPTION, then the
      // modem state, then the baud rate confirmed.
      QCOMPARE(events.size(), rfc2217 ? 7 : 0);
      if (rfc2217)
        QVERIFY(events[4].verb == DO && events[4].option == ComPort && events[6].verb == SB &&
                subnegotiation(events[6].option, events[6].payload) == comPort(SetBaudRate + ServerOffset, 9600));
      QTcpSocket other; // while this one is served
      QSignalSpy refused(&other, &QTcpSocket::disconnected);
      other.connectToHost(sim.url.host(), quint16(sim.url.port()));
      QVERIFY(refused.wait(5000));
      QList<Event> opening; // over RFC 2217 the server's offers come first, as ser2net's do
      QCOMPARE(Parser().feed(other.readAll(), &opening), B("Port already in use\r\n"));
      QCOMPARE(opening.size(), rfc2217 ? 5 : 0);
    }
  }

  // Options that need --tcp, or the terminal, or a number.
  void tcpOptionErrors() {
    for (const QStringList &args : {QStringList{"--rfc2217"}, {"--latency", "5"}, {"--tcp", "0", "--latency", "-1"},
                                    {"--tcp", "0", "--link", kt::path("x")}, {"--tcp", "[::1]"}, {"--tcp", "70000"}}) {
      const Run r = runProgram(KOV_SIM_PATH, args, 5000);
      QVERIFY2(r.code == 1 && r.err.startsWith("kov-sim: ") && r.out.isEmpty(), qPrintable(args.join(' ')));
    }
  }
};

KOV_TEST_MAIN(tst_Sim)
#include "tst_sim.moc"
