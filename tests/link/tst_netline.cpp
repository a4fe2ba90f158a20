#include "commlog.h"
#include "linkrig.h"
#include "portprobe.h"
#include "serialportdevice.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

using namespace telnet;
using Events = QStringList; // "DO 44", "SB 44 65 00 00 25 80"

namespace {

// The probes' timeouts: Wine's first connections take longer than 0.3 s.
#ifdef Q_OS_WIN
constexpr double ProbeScale = 0.5;
#else
constexpr double ProbeScale = 0.1;
#endif

using kt::row;

QString describe(const Event &e) {
  static const QHash<char, QString> verbs{{WILL, "WILL"}, {WONT, "WONT"}, {DO, "DO"}, {DONT, "DONT"}, {SB, "SB"}};
  QString s = verbs.value(e.verb) + u' ' + QString::number(e.option);
  if (e.verb == SB)
    s += u' ' + QString::fromLatin1(e.payload.toHex(' '));
  return s;
}

// A device server on loopback whose answers the test scripts.
struct ScriptedServer : QObject {
  QTcpServer server;
  QPointer<QTcpSocket> peer;
  QByteArray received;
  int connections = 0;
  // Sent to each client as it connects; a server that refuses closes after it.
  QByteArray greeting;
  bool refuses = false;
  // Bytes to answer each piece received with.
  std::function<QByteArray(const QByteArray &)> reply;

  ScriptedServer() {
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      peer = server.nextPendingConnection();
      ++connections;
      peer->write(greeting);
      if (refuses)
        peer->disconnectFromHost();
      connect(peer, &QTcpSocket::readyRead, this, [this, s = peer.data()] {
        const QByteArray bytes = s->readAll();
        received += bytes;
        const QByteArray answer = reply ? reply(bytes) : QByteArray();
        if (s->isOpen())
          s->write(answer);
      });
    });
  }
  QString url(const char *scheme) const { return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.serverPort()); }
};

// An RFC 2217 server: agrees to the COM port option and confirms each
// setting, the baud rate as `baud`; data lines get `answer`, escaped.
std::function<QByteArray(const QByteArray &)> rfc2217(quint32 baud, QByteArray answer = {}) {
  auto parser = std::make_shared<Parser>();
  return [=](const QByteArray &bytes) {
    QList<Event> events;
    const QByteArray data = parser->feed(bytes, &events);
    QByteArray out;
    for (const Event &e : events)
      if (e.verb == WILL && e.option == ComPort)
        out += command(DO, ComPort);
      else if (e.verb == SB && e.option == ComPort)
        out += comPort(quint8(e.payload[0]) + ServerOffset,
                       e.payload[0] == SetBaudRate ? baud : quint32(comPortValue(e.payload)));
    return out + (data.endsWith("\r\n") ? escape(answer) : QByteArray());
  };
}

// What ser2net's RFC 2217 accepter opens with, in part.
const QByteArray TelnetGreeting = command(WILL, SuppressGoAhead) + command(DO, Binary);

} // namespace

class tst_NetLine : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { Link::setTimeoutScale(0.1); }

  void framing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Events>("events");
    QTest::newRow("IAC doubled") << QByteArray("a\xFF\xFF" "b") << QByteArray("a\xFF" "b") << Events{};
    QTest::newRow("negotiation") << QByteArray("\xFF\xFD\x2C" "x\xFF\xFB\x18") << QByteArray("x") << Events{"DO 44", "WILL 24"};
    QTest::newRow("baud rate, IAC inside") << QByteArray("\xFF\xFA\x2C\x65\x00\x00\xFF\xFF\x80\xFF\xF0", 11)
                                           << QByteArray() << Events{"SB 44 65 00 00 ff 80"};
    QTest::newRow("bare CR") << QByteArray("0\r\0" "1\r\n", 6) << QByteArray("0\r1\r\n") << Events{};
  }
  // Data and negotiation come apart the same, whole or a byte at a time.
  void framing() {
    QFETCH(QByteArray, bytes);
    for (const qsizetype piece : {bytes.size(), qsizetype(1)}) {
      Parser parser;
      QList<Event> events;
      QByteArray data;
      for (qsizetype i = 0; i < bytes.size(); i += piece)
        data += parser.feed(bytes.mid(i, piece), &events);
      QTEST(data, "data");
      QStringList seen;
      for (const Event &e : events)
        seen << describe(e);
      QTEST(seen, "events");
    }
  }

  // What the peer asks is agreed or refused once; answers to our own requests are not answered.
  void negotiation() {
    Options o;
    QCOMPARE(o.request(WILL, ComPort), command(WILL, ComPort));
    const std::tuple<char, quint8, QByteArray> steps[] = {
        {DO, ComPort, {}}, {WILL, 24, command(DONT, 24)}, {DO, 1, command(WONT, 1)},
        {WILL, SuppressGoAhead, command(DO, SuppressGoAhead)}, {WILL, SuppressGoAhead, {}},
        {WONT, SuppressGoAhead, command(DONT, SuppressGoAhead)}};
    for (const auto &[verb, option, answer] : steps)
      QCOMPARE(o.answer({verb, option, {}}, {Binary, SuppressGoAhead, ComPort}), answer);
    QVERIFY(o.local(ComPort) && !o.remote(SuppressGoAhead) && !o.refused(ComPort));
  }

  void addresses_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host"); // empty: not an address
    QTest::addColumn<bool>("telnet");
    QTest::newRow("IPv4") << "tcp://10.0.0.7:4001" << "10.0.0.7" << false;
    QTest::newRow("IPv6 in brackets") << "rfc2217://[fd00::7]:4002" << "fd00::7" << true;
    QTest::newRow("host name") << "RFC2217://plc-7.plant:4002" << "plc-7.plant" << true;
    QTest::newRow("port 0") << "tcp://10.0.0.7:0" << "" << false;
    QTest::newRow("port too big") << "tcp://10.0.0.7:65536" << "" << false;
    QTest::newRow("other scheme") << "telnet://10.0.0.7:23" << "" << false;
    QTest::newRow("a path after it") << "tcp://10.0.0.7:4001/x" << "" << false;
  }
  void addresses() {
    QFETCH(QString, url);
    QFETCH(QString, host);
    QString found;
    quint16 port = 0;
    bool telnet = false;
    QCOMPARE(TcpPortDevice::parseUrl(url, &found, &port, &telnet), !host.isEmpty());
    if (!host.isEmpty())
      QVERIFY(found == host && port == url.section(u':', -1).toUInt() && telnet == row<bool>("telnet"));
  }

  void opening_data() {
    QTest::addColumn<QString>("url"); // "raw" and "telnet": the scripted server's
    QTest::addColumn<int>("baud");     // the server's answer to SET-BAUDRATE; 0: silent; -1: refuses
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("greeting"); // "refused: TEXT": the server says TEXT and closes
    const QString fine;
    const QByteArray g = TelnetGreeting;
    QTest::newRow("raw") << "raw" << 0 << fine << QByteArray();
    QTest::newRow("settings confirmed") << "telnet" << 9600 << fine << g;
    QTest::newRow("server sets 19200") << "telnet" << 19200 << kt::msg(5232).arg("URL", "SET-BAUDRATE").arg(19200).arg(9600) << g;
    QTest::newRow("option refused") << "telnet" << -1 << kt::msg(5231).arg("URL") << g;
    QTest::newRow("silent server") << "telnet" << 0 << kt::msg(5233).arg("URL").arg(0.3) << g;
    QTest::newRow("raw server") << "telnet" << 0 << kt::msg(5348).arg("URL").arg(0.3).arg("TCP") << QByteArray();
    QTest::newRow("data first") << "telnet" << 0 << kt::msg(5349).arg("URL", "TCP") << QByteArray("0RA1\r\n");
    QTest::newRow("in use") << "telnet" << 0 << "URL: Port already in use" << "refused: " + g + "Port already in use\r\n";
    QTest::newRow("nothing listening") << "tcp://127.0.0.1:1" << 0 << "URL: Connection refused" << QByteArray();
    QTest::newRow("unknown host") << "tcp://no-such-host.invalid:4001" << 0 << "URL: Host not found" << QByteArray();
    QTest::newRow("no port") << "rfc2217://127.0.0.1" << 0 << kt::msg(5235).arg("URL") << QByteArray();
  }
  // Opening says why it failed; RFC 2217 waits for the server's Telnet,
  // sending nothing before it, then sets the server's line to 9600 8N1.
  void opening() {
    QFETCH(QString, url);
    QFETCH(int, baud);
    QFETCH(QByteArray, greeting);
    ScriptedServer s;
    s.refuses = greeting.startsWith("refused: ");
    s.greeting = greeting.mid(s.refuses ? 9 : 0);
    if (baud > 0)
      s.reply = rfc2217(quint32(baud));
    else if (baud < 0)
      s.reply = [](const QByteArray &) { return command(DONT, ComPort); };
    if (url == u"raw" || url == u"telnet")
      url = s.url(url == u"raw" ? "tcp" : "rfc2217");
    TcpPortDevice line;
    line.setUrl(url);
    QString said;
    const bool opened = line.open(3, &said);
    QFETCH(QString, reason);
    const QString tcp = u"tcp"_qs + url.mid(url.indexOf(u':'));
    QCOMPARE(said, reason.replace(u"URL"_qs, url).replace(u"TCP"_qs, tcp));
    QCOMPARE(opened && line.isOpen(), reason.isEmpty());
    if (url.startsWith(u"rfc2217") && !greeting.startsWith(IAC) && !s.refuses)
      QCOMPARE(s.received, QByteArray()); // nothing stray reached the controller
    if (baud == 9600) { // WILL COM-PORT-OPTION, then every setting
      for (const quint8 cmd : {SetBaudRate, SetDataSize, SetParity, SetStopSize, SetControl})
        QVERIFY(s.received.contains(comPort(cmd, cmd == SetBaudRate ? 9600 : cmd == SetDataSize ? 8 : 1)));
      QVERIFY(s.received.startsWith(command(WILL, ComPort)));
    }
  }

  void exchange_data() {
    QTest::addColumn<QString>("scheme");
    QTest::newRow("raw") << "tcp";
    QTest::newRow("RFC 2217") << "rfc2217";
  }
  // The link over a port number pinned to a network line: an IAC byte
  // crosses both ways; a peer that closes ends the wait at once with the
  // lost line and its last words, and the next command connects again.
  void exchange() {
    QFETCH(QString, scheme);
    const bool telnetLine = scheme == u"rfc2217";
    ScriptedServer s;
    s.greeting = telnetLine ? TelnetGreeting : QByteArray();
    const QByteArray reply("0RV1\xFF" "0\r\n");
    s.reply = telnetLine ? rfc2217(9600, reply) : [&](const QByteArray &) { return reply; };
    kt::settings({{"Device3", s.url(qPrintable(scheme))}});
    LinkRig<SerialPortDevice> r;
    r.m.PortNo = 3;
    CommLog log(r.link, r.m.messages());
    log.setRecording(true);
    QCOMPARE(r.link.portLabel(3), u"COM3 — "_qs + s.url(qPrintable(scheme)));
    QCOMPARE(r.link.CommTransaction("0RV", 8, "\xFF", 1000), qint16(0));
    QCOMPARE(r.link.JusinData, reply);
    QVERIFY(s.received.endsWith(telnetLine ? "0RV\xFF\xFF\r\n" : "0RV\xFF\r\n"));

    s.reply = [&](const QByteArray &) {
      s.peer->write("Device open failure: \x01gone\r\n");
      s.peer->disconnectFromHost();
      return QByteArray();
    };
    Link::setTimeoutScale(10); // ten seconds: only the closing can end it in time
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(r.link.CommTransaction("0RV", 8, {}, 1000), qint16(1));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(r.link.lineLost() && !r.line.isOpen());
    QCOMPARE(r.dialogs.last(), kt::msg(5345).arg(r.link.portLabel(3, false)) + u"\r\nDevice open failure: gone"_qs);

    Link::setTimeoutScale(0.1);
    s.reply = telnetLine ? rfc2217(9600, reply) : [&](const QByteArray &) { return reply; };
    QCOMPARE(r.link.CommTransaction("0RV", 8, "\xFF", 1000), qint16(0));
    QCOMPARE(s.connections, 2);
    const QStringList lines = log.lines();
    QVERIFY(lines.filter(u"!! line lost: Device open failure: gone"_qs).size() == 1 &&
            lines.filter(u"-- connected again: "_qs + s.url(qPrintable(scheme))).size() == 1);
  }

  // A raw line at a Telnet server: dropped, closed, and told which scheme to use.
  void telnetAtRawLine() {
    ScriptedServer s;
    s.greeting = TelnetGreeting;
    TcpPortDevice line;
    line.setUrl(s.url("tcp"));
    QSignalSpy gone(&line, &PortDevice::vanished);
    QString said;
    QVERIFY(line.open(3, &said));
    QVERIFY(!gone.isEmpty() || gone.wait(5000));
    QVERIFY(!line.isOpen() && line.bytesAvailable() == 0); // no Telnet taken for the controller's words
    QCOMPARE(line.dropReason(), kt::msg(5347).arg(s.url("tcp"), s.url("rfc2217")));
  }

  void probe_data() {
    QTest::addColumn<QString>("scheme"); // "closed": nothing listens
    QTest::addColumn<QByteArray>("answer"); // to the link check; "hang up": the server closes; "telnet": it greets so
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<int>("found");
    QTest::addColumn<QString>("said");
    using F = PortProbe::Found;
    const QString silent = kt::msg(5312).arg(2 * ProbeScale), answered = kt::msg(5311);
    QTest::newRow("controller") << "tcp" << QByteArray("0CM6\r\n") << false << int(F::Controller) << answered;
    QTest::newRow("controller in alarm") << "tcp" << QByteArray("0%%25\r\n") << false << int(F::Controller) << answered;
    QTest::newRow("RFC 2217 controller") << "rfc2217" << QByteArray("0CM6\r\n") << false << int(F::Controller) << answered;
    QTest::newRow("another echo") << "tcp" << QByteArray("0RA1\r\n") << false << int(F::NoController) << silent;
    QTest::newRow("silent") << "tcp" << QByteArray() << false << int(F::NoController) << silent;
    QTest::newRow("hangs up") << "tcp" << QByteArray("hang up") << false << int(F::NoController) << silent;
    QTest::newRow("a Telnet server") << "tcp" << QByteArray("telnet") << false << int(F::NoController)
                                     << kt::msg(5347).arg("URL", "OTHER");
    QTest::newRow("refused") << "closed" << QByteArray() << false << int(F::Refused) << "Connection refused";
    QTest::newRow("the line in use") << "tcp" << QByteArray() << true << int(F::Opens) << kt::msg(5163);
  }
  // A network line reaches a controller only when the link check is answered; the line in use is not touched.
  void probe() {
    QFETCH(QString, scheme);
    QFETCH(QByteArray, answer);
    QFETCH(bool, inUse);
    ScriptedServer s;
    const bool telnetLine = scheme == u"rfc2217";
    s.greeting = telnetLine || answer == "telnet" ? TelnetGreeting : QByteArray();
    s.reply = telnetLine ? rfc2217(9600, answer) : [&](const QByteArray &) {
      if (answer == "hang up")
        s.peer->close();
      return answer == "hang up" || answer == "telnet" ? QByteArray() : answer;
    };
    kt::settings({{"Device3", scheme == u"closed" ? u"tcp://127.0.0.1:1"_qs : s.url(qPrintable(scheme))}});
    LinkRig<SerialPortDevice> r;
    Link::setTimeoutScale(ProbeScale);
    r.line.portMap().devFolder = r.line.portMap().byIdFolder = kt::path("nodev");
    PortProbe probe(r.line, [](int n) { return kt::msg(n); });
    QSignalSpy ended(&probe, &PortProbe::portEnded), finished(&probe, &PortProbe::finished);
    probe.start(inUse ? 3 : 0);
    // Windows may refuse a closed port before the start returns.
    const bool refusedAtOnce = scheme == u"closed" && probe.result(3).found == PortProbe::Found::Refused;
    if (!refusedAtOnce) {
      QCOMPARE(probe.result(3).found, inUse ? PortProbe::Found::Opens : PortProbe::Found::Checking);
      QCOMPARE(probe.running(), !inUse);
    }
    if (probe.running())
      QVERIFY(finished.wait(5000));
    QCOMPARE(int(probe.result(3).found), row<int>("found"));
    QCOMPARE(probe.describe(3), row<QString>("said").replace("URL", s.url("tcp")).replace("OTHER", s.url("rfc2217")));
    QCOMPARE(ended.size(), inUse || refusedAtOnce ? 0 : 1);
    QCOMPARE(s.connections, inUse || scheme == u"closed" ? 0 : 1);
    if (!inUse && scheme != u"closed")
      QVERIFY(s.received.endsWith("0CM6\r\n"));
  }

  // A probe stopped closes its lines at once and tells nothing more.
  void probeStopped() {
    ScriptedServer s;
    kt::settings({{"Device3", s.url("tcp")}});
    LinkRig<SerialPortDevice> r;
    Link::setTimeoutScale(ProbeScale);
    r.line.portMap().devFolder = r.line.portMap().byIdFolder = kt::path("nodev");
    PortProbe probe(r.line, [](int n) { return kt::msg(n); });
    QSignalSpy ended(&probe, &PortProbe::portEnded);
    probe.start(0);
    QTRY_VERIFY(s.received.endsWith("0CM6\r\n"));
    QSignalSpy gone(s.peer, &QTcpSocket::disconnected);
    probe.stop();
    QVERIFY(gone.wait(1000));
    QTest::qWait(int(PortProbe::ReplyTimeoutMs * Link::timeoutScale())); // past the check's own timer
    QVERIFY(ended.isEmpty());
  }
};

KOV_TEST_GUILESS_MAIN(tst_NetLine)
#include "tst_netline.moc"
