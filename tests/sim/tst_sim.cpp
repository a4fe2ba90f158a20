#include "controllersim.h"
#include "simportdevice.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using B = QByteArray;
using Lines = QList<QByteArray>;
using Fault = ControllerSim::Fault;

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

// Sends one line, gathers the reply up to its CR LF; "<sync>" if anything
// came back inside receive() itself.
B ask(ControllerSim &sim, const B &line) {
  QSignalSpy spy(&sim, &ControllerSim::send);
  sim.receive(line + "\r\n");
  if (!spy.isEmpty())
    return "<sync>";
  B got;
  while (!got.endsWith("\r\n") && (!spy.isEmpty() || spy.wait(1000)))
    got += spy.takeFirst().at(0).toByteArray();
  return got;
}

// Every emission after `line`, once `expected` have come and a short quiet time passed.
Lines emissions(ControllerSim &sim, const B &line, int expected) {
  QSignalSpy spy(&sim, &ControllerSim::send);
  sim.receive(line + "\r\n");
  const QDeadlineTimer deadline(1000);
  while (spy.count() < expected && !deadline.hasExpired())
    spy.wait(50);
  QTest::qWait(20);
  Lines out;
  for (const auto &args : spy)
    out << args.at(0).toByteArray();
  return out;
}

int openPty(const B &path) {
  const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
  termios tio{};
  if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  return fd;
}

B ptyAsk(int fd, const B &line) {
  const B out = line + "\r\n";
  if (::write(fd, out.constData(), size_t(out.size())) != out.size())
    return "<write failed>";
  B got;
  const QDeadlineTimer deadline(2000);
  pollfd p{fd, POLLIN, 0};
  char buf[64];
  while (!got.endsWith("\r\n") && ::poll(&p, 1, int(deadline.remainingTime())) > 0) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0)
      break;
    got.append(buf, n);
  }
  return got;
}

} // namespace

class tst_Sim : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void replies_data() {
    QTest::addColumn<B>("line");
    QTest::addColumn<B>("reply");
    QTest::addColumn<int>("length");
    QTest::newRow("link check") << B("0CM6") << B("0CM6") << 6;
    QTest::newRow("monitor mode") << B("0CM7") << B("0CM7") << 6;
    QTest::newRow("status") << B("0RA") << B("0RA1") << 6;
    QTest::newRow("alarm reset") << B("0AR") << B("0AR") << 5;
    QTest::newRow("version") << B("0RV") << B("0RV110SIM") << 11;
    QTest::newRow("error info") << B("0%C") << B("0%C00000000000") << 16;
    QTest::newRow("write point") << "0WP01" + NewFields << B("0WP01") << 7;
    QTest::newRow("confirm point") << B("0WA0101") << B("0WA") << 5;
    QTest::newRow("read point") << B("0RP01") << "0RP01" + StartPoint << 23;
    QTest::newRow("block 0") << B("0RD0") << "0RD0" + Block0 << 38;
    QTest::newRow("block 1") << B("0RD1") << "0RD1" + Block1 << 38;
    QTest::newRow("block 2") << B("0RD2") << "0RD2" + Block2 << 38;
    QTest::newRow("block 7") << B("0RD7") << "0RD7" + Block7 << 38;
    QTest::newRow("write block") << "0WD1" + NewHex << B("0WD1") << 6;
    QTest::newRow("commit blocks") << B("0WE") << B("0WE") << 5;
    QTest::newRow("write block 7") << "0WD7" + NewHex << B("0WD7") << 6;
    QTest::newRow("commit block 7") << B("0WF") << B("0WF") << 5;
    QTest::newRow("homing") << B("0MP00") << B("0MP00") << 7;
    QTest::newRow("index move") << B("0MP01") << B("0MP01") << 7;
    QTest::newRow("inputs") << B("0RI") << B("0RI000") << 8;
    QTest::newRow("outputs, RDY on") << B("0RO") << B("0RO20") << 7;

    const B undefined = "0%%001", format = "0%%002", range = "0%%003";
    QTest::newRow("unknown command") << B("0XY") << undefined << 8;
    QTest::newRow("status with data") << B("0RA1") << format << 8;
    QTest::newRow("mode 8") << B("0CM8") << range << 8;
    QTest::newRow("block 3") << B("0RD3") << range << 8;
    QTest::newRow("read point 2") << B("0RP02") << range << 8;
    QTest::newRow("move to point 2") << B("0MP02") << range << 8;
    QTest::newRow("write block 3") << "0WD3" + NewHex << range << 8;
    QTest::newRow("write block not hex") << "0WD0" + NewHex.left(31) + "G" << format << 8;
    QTest::newRow("record short") << "0WP01" + NewFields.left(15) << format << 8;
    QTest::newRow("record acceleration 4") << B("0WP0105DC400000010802") << range << 8;
    QTest::newRow("confirm other points") << B("0WA0102") << range << 8;
    QTest::newRow("output outside monitor") << B("0WO20") << B("0%%005") << 8;
  }

  void replies() {
    QFETCH(B, line);
    QFETCH(B, reply);
    QFETCH(int, length);
    ControllerSim sim;
    const B got = ask(sim, line);
    QCOMPARE(got, reply + "\r\n");
    QCOMPARE(got.size(), length);
  }

  void stagedUntilCommitted_data() {
    QTest::addColumn<B>("write");
    QTest::addColumn<B>("read");
    QTest::addColumn<B>("commit");
    QTest::addColumn<B>("before");
    QTest::addColumn<B>("after");
    const B point = "0RP01" + NewFields;
    QTest::newRow("point by 0WA") << "0WP01" + NewFields << B("0RP01") << B("0WA0101") << "0RP01" + StartPoint << point;
    const std::pair<char, B> blocks[] = {{'0', Block0}, {'1', Block1}, {'2', Block2}};
    for (const auto &[digit, old] : blocks) {
      const B d(1, digit);
      QTest::addRow("block %c by 0WE", digit) << "0WD" + d + NewHex << "0RD" + d << B("0WE") << "0RD" + d + old
                                              << "0RD" + d + NewHex;
      QTest::addRow("block %c not by 0WF", digit) << "0WD" + d + NewHex << "0RD" + d << B("0WF") << "0RD" + d + old
                                                  << "0RD" + d + old;
    }
    QTest::newRow("block 7 by 0WF") << "0WD7" + NewHex << B("0RD7") << B("0WF") << "0RD7" + Block7 << "0RD7" + NewHex;
    QTest::newRow("block 7 not by 0WE") << "0WD7" + NewHex << B("0RD7") << B("0WE") << "0RD7" + Block7
                                        << "0RD7" + Block7;
  }

  void stagedUntilCommitted() {
    QFETCH(B, write);
    QFETCH(B, read);
    QFETCH(B, commit);
    QFETCH(B, before);
    QFETCH(B, after);
    ControllerSim sim;
    QVERIFY(ask(sim, write).startsWith(write.left(4)));
    QCOMPARE(ask(sim, read), before + "\r\n");
    QCOMPARE(ask(sim, commit), commit.left(3) + "\r\n");
    QCOMPARE(ask(sim, read), after + "\r\n");
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
    QTRY_COMPARE_WITH_TIMEOUT(sim.status(), 1, 1000);
    QVERIFY2(t.elapsed() >= unscaledMs * 0.05 * 0.9, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));
  }

  void refusedWhileMoving_data() {
    QTest::addColumn<B>("line");
    for (const B &line : {"0WP01" + NewFields, B("0WA0101"), "0WD0" + NewHex, B("0WE"), "0WD7" + NewHex, B("0WF"),
                          B("0MP01")})
      QTest::newRow(line.left(4).constData()) << line;
  }

  void refusedWhileMoving() {
    QFETCH(B, line);
    ControllerSim sim;
    // Staged before the move, so that a commit would show.
    ask(sim, "0WP01" + NewFields);
    ask(sim, "0WD0" + NewHex);
    ask(sim, "0WD7" + NewHex);
    sim.setStatus(0);
    QCOMPARE(ask(sim, line), B("0%%004\r\n"));
    QCOMPARE(ask(sim, "0RA"), B("0RA0\r\n"));
    QCOMPARE(sim.pointRecord(), StartPoint);
    QCOMPARE(sim.block(0).toHex().toUpper(), Block0);
    QCOMPARE(sim.block(7).toHex().toUpper(), Block7);
  }

  void alarmAndReset() {
    ControllerSim sim;
    sim.raiseAlarm("11");
    QCOMPARE(ask(sim, "0RA"), B("0RA3\r\n"));
    QCOMPARE(ask(sim, "0MP01"), B("0%%100\r\n"));
    QCOMPARE(ask(sim, "0RO"), B("0RO40\r\n")); // ALM on, RDY off
    QCOMPARE(ask(sim, "0%C"), B("0%C10110000000\r\n"));
    QCOMPARE(ask(sim, "0AR"), B("0AR\r\n"));
    QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));
    QCOMPARE(ask(sim, "0RO"), B("0RO20\r\n"));
    QCOMPARE(ask(sim, "0MP01"), B("0MP01\r\n"));
  }

  void outputsOnlyInMonitorMode() {
    ControllerSim sim;
    QCOMPARE(ask(sim, "0CM7"), B("0CM7\r\n"));
    QCOMPARE(ask(sim, "0WO03"), B("0WO03\r\n"));
    QCOMPARE(ask(sim, "0RO"), B("0RO03\r\n"));
    QCOMPARE(ask(sim, "0CM6"), B("0CM6\r\n")); // the check leaves the mode alone
    QCOMPARE(ask(sim, "0WOC1"), B("0WOC1\r\n"));
    QCOMPARE(ask(sim, "0CM0"), B("0CM0\r\n"));
    QCOMPARE(ask(sim, "0WO00"), B("0%%005\r\n"));
    QCOMPARE(sim.outputWord(), 0xC1);
    sim.setInputWord(0xA05);
    QCOMPARE(ask(sim, "0RI"), B("0RIA05\r\n"));
  }

  void linesAndLog() {
    ControllerSim sim;
    QSignalSpy spy(&sim, &ControllerSim::send);
    sim.receive("0R");
    sim.receive("A\r");
    QTest::qWait(10);
    QVERIFY(spy.isEmpty());
    sim.receive("\n0RV\r\n\r\n0CM6\r\n");
    QVERIFY(spy.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 1000);
    QCOMPARE(spy.at(0).at(0).toByteArray(), B("0RA1\r\n"));
    QCOMPARE(spy.at(1).at(0).toByteArray(), B("0RV110SIM\r\n"));
    QCOMPARE(spy.at(2).at(0).toByteArray(), B("0CM6\r\n"));
    QCOMPARE(sim.receivedLines(), (Lines{"0RA", "0RV", "", "0CM6"}));
    sim.clearLog();
    QVERIFY(sim.receivedLines().isEmpty());
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
    QFETCH(Lines, sent);
    ControllerSim sim;
    sim.setErrorKey("13");
    sim.setFault(code, fault);
    QCOMPARE(emissions(sim, line, int(sent.size())), sent);
  }

  void faultLifetime() {
    ControllerSim sim;
    sim.setFault("0RA", Fault::NoReply, 2);
    QCOMPARE(emissions(sim, "0RA", 0), Lines{});
    QCOMPARE(emissions(sim, "0RA", 0), Lines{});
    QCOMPARE(ask(sim, "0RA"), B("0RA1\r\n"));

    // An error reply refuses the command; a lost reply does not undo it.
    sim.setFault("*", Fault::ErrorReply);
    sim.setFault("0CM", Fault::None);
    QCOMPARE(ask(sim, "0CM6"), B("0CM6\r\n"));
    QCOMPARE(ask(sim, "0WP01" + NewFields), B("0%%001\r\n"));
    sim.clearFaults();
    QCOMPARE(ask(sim, "0WA0101"), B("0WA\r\n"));
    QCOMPARE(sim.pointRecord(), StartPoint);
    ask(sim, "0WP01" + NewFields);
    sim.setFault("0WA", Fault::NoReply);
    QCOMPARE(emissions(sim, "0WA0101", 0), Lines{});
    QCOMPARE(sim.pointRecord(), NewFields);
  }

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
    QCOMPARE(ask(sim, "0RV"), B("0RV110SIM\r\n"));
    QCOMPARE(at.size(), 11);
    // Character i of the reply leaves after the 5 of the line and i + 1 of its own.
    for (int i = 0; i < at.size(); ++i)
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
    QVERIFY(dev.open(32, &reason));
    QCOMPARE(dev.openCount(), 1);
    QVERIFY(dev.write("0R") && dev.write("A\r\n"));
    QVERIFY(arrived.wait(1000));
    QCOMPARE(dev.bytesAvailable(), 6);
    QCOMPARE(dev.readAll(), B("0RA1\r\n"));
    QCOMPARE(dev.bytesAvailable(), 0);

    // A reply that comes after the close is lost, as on a real port.
    QVERIFY(dev.write("0RV\r\n"));
    dev.close();
    QTest::qWait(20);
    QVERIFY(dev.open(1, &reason));
    QCOMPARE(dev.openCount(), 2);
    QCOMPARE(dev.bytesAvailable(), 0);
    QCOMPARE(sim.receivedLines(), (Lines{"0RA", "0RV"}));

    sim.setFault("*", Fault::Vanish);
    QSignalSpy gone(&dev, &PortDevice::vanished);
    QVERIFY(dev.write("0CM6\r\n"));
    QVERIFY(gone.wait(1000));
    QVERIFY(!dev.isOpen());
  }

  void ptyEndToEnd() {
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyKOV"), log = dir.filePath("lines.log");
    QProcess proc;
    proc.start(KOV_SIM_PATH, {"--link", link, "--time-scale", "0.01", "--log", log, "--fault", "0AR:error:1"});
    QVERIFY(proc.waitForReadyRead(2000));
    const B path = proc.readLine().trimmed();
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLatin1(path));

    int fd = openPty(path);
    QVERIFY(fd >= 0);
    QCOMPARE(ptyAsk(fd, "0RA"), B("0RA1\r\n"));
    QCOMPARE(ptyAsk(fd, "0AR"), B("0%%001\r\n"));
    ::close(fd);
    // A client closing and reopening the port finds the simulator still there.
    fd = openPty(link.toLocal8Bit());
    QCOMPARE(ptyAsk(fd, "0AR"), B("0AR\r\n"));
    ::close(fd);

    proc.terminate();
    QVERIFY(proc.waitForFinished(2000));
    QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(proc.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QFile lines(log);
    QVERIFY(lines.open(QIODevice::ReadOnly));
    QCOMPARE(lines.readAll(), B("0RA\n0AR\n0AR\n"));
  }

  void ptyVanishes() {
    QProcess proc;
    proc.start(KOV_SIM_PATH, {"--fault", "0RV:vanish"});
    QVERIFY(proc.waitForReadyRead(2000));
    const int fd = openPty(proc.readLine().trimmed());
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "0RV\r\n", 5), 5);
    QVERIFY(proc.waitForFinished(2000));
    pollfd p{fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    ::close(fd);
  }
};

QTEST_GUILESS_MAIN(tst_Sim)
#include "tst_sim.moc"
