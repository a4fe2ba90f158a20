// The link through a real serial port on a pseudo-terminal served by kov-sim.
#include "linkrig.h"
#include "programrig.h"
#include "serialportdevice.h"
#include "simprocess.h"

struct Rig : LinkRig<SerialPortDevice> {
  SimProcess sim;
  Rig() {
    Link::setTimeoutScale(0.1); // a loaded machine still answers in time
    m.PortNo = 3;
    line.portMap().setOverride(3, sim.link);
  }
  bool toldTimeout() const { return dialogs.shown.size() == 1 && dialogs.last().startsWith(kt::msg(100)); }
};

class tst_E2eLink : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void exchanges_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("status");
    QTest::newRow("at 9600 baud, in pieces") << QStringList{"--paced", "--fault", "0RA:split"} << 1;
    QTest::newRow("no reply, once") << QStringList{"--fault", "0RA:noreply:1"} << -1;
  }

  void exchanges() {
    QFETCH(QStringList, simArgs);
    QFETCH(int, status);
    Rig r;
    QVERIFY(r.sim.start(simArgs));
    QCOMPARE(int(r.link.ReadCtStatus()), status);
    QVERIFY(status > 0 ? r.dialogs.shown.isEmpty() : r.toldTimeout());
    QCOMPARE(r.link.ReadCtStatus(), qint16(1));
    QCOMPARE(r.link.JusinData, QByteArray("0RA1\r\n"));
    QTRY_COMPARE(r.sim.wire(), (QList<QByteArray>{"0RA", "0RA"}));
  }

  void networkLine_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::newRow("raw TCP") << QStringList{"--tcp", "0"};
    QTest::newRow("RFC 2217, 20 ms away") << QStringList{"--tcp", "0", "--rfc2217", "--latency", "20", "--paced"};
  }
  // The window's commands reach a network line through the port number pinned to it.
  void networkLine() {
    QFETCH(QStringList, simArgs);
    SimProcess sim;
    QVERIFY(sim.startTcp(simArgs));
    ProgramRig<SerialPortDevice> r(2, false);
    Link::setTimeoutScale(1);
    kt::settings({{"Device4", sim.url.toString()}, {"PortNo", "4"}, {"PortOccupy", "1"}, {"Languege", "2"}});
    r.start();
    QCOMPARE(r.f().sbStatusBar.panelText(FrmMain::PortPanel), u"COM4 — "_qs + sim.url.toString());
    r.f().mnuShowCtversion.click();
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    QCOMPARE(r.dialogs.achieved, (QStringList{kt::msg(5110).arg("1.10"), kt::msg(5104)}));
  }

  // A simulator killed mid-session: the next command fails, the line lost;
  // served again under the same name, the next one reopens by itself; gone
  // while idle, the port closes at once and the next command says why.
  void simulatorGoneThenBack() {
    Rig r;
    QVERIFY(r.sim.start());
    QCOMPARE(r.link.ReadCtStatus(), qint16(1));
    QVERIFY(r.line.isOpen()); // held open between commands
    r.sim.proc.kill();
    r.sim.proc.waitForFinished(5000);
    QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
    QVERIFY(r.dialogs.outcome.messages.contains(5345) && !r.line.isOpen());
    r.dialogs.shown.clear();
    QVERIFY(r.sim.start());
    QCOMPARE(r.link.ReadCtStatus(), qint16(1));
    QVERIFY(r.dialogs.shown.isEmpty());
    r.sim.proc.kill();
    r.sim.proc.waitForFinished(5000);
    QTRY_VERIFY(!r.line.isOpen());
    // A killed simulator leaves its link behind, pointing at a terminal
    // number another pty may take over: the device is gone with the link.
    QFile::remove(r.sim.link);
    QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(r.dialogs.last().startsWith(kt::msg(109) + u"\r\n"_qs + r.sim.link));
  }
};

KOV_TEST_MAIN(tst_E2eLink)
#include "tst_e2e_link.moc"
