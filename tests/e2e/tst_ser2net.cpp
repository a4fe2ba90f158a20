#include "ser2net.h"
#include "simprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

// kov-t6-cli through Debian's ser2net in front of kov-sim's terminal: what
// an operator meets at a plant's device server.
class tst_Ser2net : public QObject {
  Q_OBJECT
  SimProcess sim;
  Ser2net server;

  // RAW and TELNET in `url` stand for the two accepters' ports.
  QString address(QString url) const {
    return url.replace("RAW", QString::number(server.rawPort)).replace("TELNET", QString::number(server.telnetPort));
  }
  QJsonObject cli(const QString &url, const QStringList &words, double scale = 0.2) {
    const Run r = runProgram(KOV_CLI_PATH, QStringList{"--json", "--lang", "en", "--timeout-scale", QString::number(scale),
                                                       "--device", address(url)} + words);
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    o.insert("exit", r.code); // -1 when it did not end in time
    return o;
  }
  static QString said(const QJsonObject &o) { return o["error"].toObject()["text"].toString(); }
  static int told(const QJsonObject &o) { return o["error"].toObject()["message"].toInt(); }

private Q_SLOTS:
  void init() {
    QVERIFY(sim.start());
    QVERIFY(server.start(sim.link));
  }
  void cleanup() {
    server.stop();
    sim.stop();
  }

  void schemes_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("message"); // 0: it works
    QTest::addColumn<QString>("reason");
    QTest::newRow("raw accepter") << "tcp://127.0.0.1:RAW" << 0 << QString();
    QTest::newRow("RFC 2217 accepter") << "rfc2217://127.0.0.1:TELNET" << 0 << QString();
    QTest::newRow("tcp:// at RFC 2217") << "tcp://127.0.0.1:TELNET" << 5345
                                        << kt::msg(5347).arg("tcp://127.0.0.1:TELNET", "rfc2217://127.0.0.1:TELNET");
    QTest::newRow("rfc2217:// at raw") << "rfc2217://127.0.0.1:RAW" << 109
                                       << kt::msg(5348).arg("rfc2217://127.0.0.1:RAW").arg(0.6).arg("tcp://127.0.0.1:RAW");
  }
  // Each scheme works at its own accepter; at the other one it is named,
  // and an RFC 2217 line leaves nothing in the controller's input.
  void schemes() {
    QFETCH(QString, url);
    QFETCH(int, message);
    const QJsonObject o = cli(url, {"params", "read"});
    QVERIFY2(o["exit"].toInt() == (message ? 3 : 0), qPrintable(said(o)));
    QCOMPARE(told(o), message);
    QVERIFY2(said(o).contains(address(kt::row<QString>("reason"))), qPrintable(said(o)));
    if (message == 109) {
      QCOMPARE(cli("tcp://127.0.0.1:RAW", {"status"})["exit"].toInt(), 0);
      QCOMPARE(sim.wire(), QList<QByteArray>{"0RA"});
    }
  }

  void refused_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("inUse"); // else the controller is gone
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("in use, raw") << "tcp://127.0.0.1:RAW" << true << 5345 << "Port already in use";
    QTest::newRow("in use, RFC 2217") << "rfc2217://127.0.0.1:TELNET" << true << 109 << "already in use"; // "Port's device …"
    QTest::newRow("gone, raw") << "tcp://127.0.0.1:RAW" << false << 5345 << "Device open failure";
    QTest::newRow("gone, RFC 2217") << "rfc2217://127.0.0.1:TELNET" << false << 109 << "Device open failure";
  }
  // The server's reason is shown, at once: were the reply timer waited out
  // (20 s here), the run would not end in time.
  void refused() {
    QFETCH(QString, url);
    QFETCH(bool, inUse);
    QTcpSocket first;
    if (inUse) {
      first.connectToHost(QHostAddress::LocalHost, server.rawPort);
      QVERIFY(first.waitForConnected(5000));
      first.write("0RA\r\n");
      QVERIFY(first.waitForReadyRead(5000)); // the device is open
    } else {
      sim.stop();
    }
    const QJsonObject o = cli(url, {"status"}, 10);
    QCOMPARE(o["exit"].toInt(), 3);
    QTEST(told(o), "message");
    QVERIFY2(said(o).contains(kt::row<QString>("reason")), qPrintable(said(o)));
  }

  void restarted_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("raw") << "tcp://127.0.0.1:RAW";
    QTest::newRow("RFC 2217") << "rfc2217://127.0.0.1:TELNET";
  }
  // ser2net restarted under a running monitor: the command ends, told the
  // line was lost; the next one connects again.
  void restarted() {
    QFETCH(QString, url);
    QProcess io;
    io.setProcessChannelMode(QProcess::MergedChannels);
    io.start(KOV_CLI_PATH, {"--lang", "en", "--device", address(url), "io", "--seconds", "20"});
    QVERIFY(io.waitForReadyRead(5000)); // its first reading
    QVERIFY(server.restart());
    QVERIFY(io.waitForFinished(10000));
    QCOMPARE(io.exitCode(), 3);
    QVERIFY(io.readAllStandardOutput().contains(kt::msg(5345).section(u'(', 0, 0).toUtf8()));
    QCOMPARE(cli(url, {"status"})["exit"].toInt(), 0);
  }
};

KOV_TEST_GUILESS_MAIN(tst_Ser2net)
#include "tst_ser2net.moc"
