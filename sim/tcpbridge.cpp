#include "tcpbridge.h"
#include "controllersim.h"
#include "telnet.h"
#include "wiretimer.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QList>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <functional>
#include <utility>

namespace {

// Runs each action `ms` after it was handed in, in order; at once for 0.
class DelayLine {
public:
  explicit DelayLine(int ms) : ns_(qint64(ms) * 1'000'000) {
    QObject::connect(&timer_, &WireTimer::timeout, &timer_, [this] { run(); });
    clock_.start();
  }
  void after(std::function<void()> f) {
    if (ns_ == 0 && queue_.isEmpty()) {
      f();
      return;
    }
    queue_.append({clock_.nsecsElapsed() + ns_, std::move(f)});
    if (!timer_.isActive())
      arm();
  }
  void clear() {
    queue_.clear();
    timer_.stop();
  }

private:
  struct Item {
    qint64 dueNs;
    std::function<void()> f;
  };
  void arm() {
    const qint64 leftNs = std::max<qint64>(queue_.first().dueNs - clock_.nsecsElapsed(), 0);
    timer_.start(leftNs);
  }
  void run() {
    // A timer may fire a little early; nothing leaves before its time.
    while (!queue_.isEmpty() && queue_.first().dueNs <= clock_.nsecsElapsed())
      queue_.takeFirst().f();
    if (!queue_.isEmpty() && !timer_.isActive())
      arm();
  }

  qint64 ns_;
  WireTimer timer_; // whole milliseconds would add up to one to every delay
  QElapsedTimer clock_;
  QList<Item> queue_;
};

// COM-PORT-OPTION commands beyond the line settings telnet.h names.
enum : quint8 { Signature = 0, NotifyModemState = 7, FlowSuspend = 8, FlowResume = 9, SetLineStateMask = 10,
                SetModemStateMask = 11, PurgeData = 12 };
constexpr char SignatureText[] = "kov-sim";
// The controller's side of the cable holds CTS, DSR and CD on; no ring.
constexpr quint8 ModemState = 0x10 | 0x20 | 0x80;
constexpr quint8 InboundNoFlowControl = 14;
// What ser2net tells a client that comes while the port is taken.
constexpr char InUseText[] = "Port already in use\r\n";
// How an RFC 2217 server opens each connection (ser2net 4's offers, less ECHO).
constexpr std::pair<char, quint8> Opening[] = {{telnet::WILL, telnet::SuppressGoAhead},
                                               {telnet::DO, telnet::SuppressGoAhead},
                                               {telnet::WILL, telnet::Binary},
                                               {telnet::DO, telnet::Binary},
                                               {telnet::DO, telnet::ComPort}};

// SET-CONTROL values fall in groups, each with its own query value: outbound
// flow control, BREAK, DTR, RTS, inbound flow control.
constexpr std::array<quint8, 5> ControlQueries{0, 4, 7, 10, 13};
int controlGroup(qint64 v) {
  if (v <= 3 || v == 17 || v == 19)
    return 0;
  if (v <= 12)
    return int((v - 1) / 3);
  return v <= 16 || v == 18 ? 4 : -1;
}

} // namespace

// One client: its socket, the network's delay both ways and, in RFC 2217
// mode, the Telnet session with the com port settings it has made.
class TcpBridge::Connection : public QObject {
public:
  Connection(TcpBridge *bridge, QTcpSocket *socket)
      : QObject(bridge), bridge_(bridge), socket_(socket), in_(bridge->latencyMs_), out_(bridge->latencyMs_),
        telnet_(bridge->mode_ == Mode::Rfc2217) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
      const QByteArray bytes = socket_->readAll();
      if (live_)
        in_.after([this, bytes] { fromClient(bytes); });
    });
    // What the client sent before it went still reaches the line.
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
      if (live_)
        in_.after([this] { end(); });
      else
        deleteLater();
    });
    // A device server opens the negotiation itself, as ser2net does; a
    // client may wait for it before sending anything.
    if (telnet_)
      for (const auto &[verb, option] : Opening)
        send(options_.request(verb, option));
  }

  // What a client turned away is sent: over RFC 2217 the same opening as
  // a served one, then the reason, as ser2net does.
  static QByteArray refusal(Mode mode) {
    QByteArray bytes;
    if (mode == Mode::Rfc2217)
      for (const auto &[verb, option] : Opening)
        bytes += telnet::command(verb, option);
    return bytes + InUseText;
  }

  void toClient(const QByteArray &bytes) {
    if (lineMatches())
      send(telnet_ ? telnet::escape(bytes) : bytes);
  }

  // Takes in what the socket has waiting, a close from the client included
  // (a read of its last bytes first, then one that finds the end).
  void settle() {
    for (int i = 0; i < 2 && socket_->state() == QAbstractSocket::ConnectedState; ++i)
      if (!socket_->waitForReadyRead(0))
        return;
  }

  // The serial line dropped: what is already on its way arrives, then the
  // connection closes.
  void hangUp() {
    live_ = false;
    in_.clear();
    held_.clear();
    if (socket_->state() == QAbstractSocket::UnconnectedState)
      deleteLater();
    else
      out_.after([this] { socket_->disconnectFromHost(); });
  }

private:
  void end() {
    live_ = false;
    if (bridge_->client_ == this)
      bridge_->client_ = nullptr;
    deleteLater();
  }

  // The controller talks 9600 8N1 with no handshake; at any other setting
  // a real UART delivers nothing either side could parse.
  bool lineMatches() const {
    return !telnet_ || (baud_ == 9600 && dataSize_ == 8 && parity_ == telnet::ParityNone &&
                        stopSize_ == telnet::StopOne && control_[0] == telnet::NoFlowControl &&
                        control_[4] == InboundNoFlowControl);
  }

  void toLine(const QByteArray &bytes) {
    if (lineMatches())
      bridge_->sim_->receive(bytes);
  }

  void fromClient(const QByteArray &bytes) {
    if (!telnet_) {
      toLine(bytes);
      return;
    }
    // A byte at a time, so that the line sees data and settings in the order sent.
    QByteArray data;
    QList<telnet::Event> events;
    for (const char c : bytes) {
      data += parser_.feed(QByteArray(1, c), &events);
      if (events.isEmpty())
        continue;
      if (!data.isEmpty())
        toLine(std::exchange(data, {}));
      for (const telnet::Event &e : std::exchange(events, {}))
        negotiate(e);
    }
    if (!data.isEmpty())
      toLine(data);
  }

  void negotiate(const telnet::Event &e) {
    using namespace telnet;
    if (e.verb != SB) {
      send(e.verb == WILL || e.verb == WONT ? options_.answer(e, {Binary, SuppressGoAhead, ComPort})
                                            : options_.answer(e, {Binary, SuppressGoAhead}));
      if (options_.remote(ComPort))
        comPortAgreed();
      return;
    }
    // A client that took our DO for the answer to a WILL it never sent
    // (pyserial does, when our greeting comes first) goes straight to the
    // settings: having asked, we take them, as ser2net does.
    if (e.option == ComPort && !options_.refused(ComPort) && !e.payload.isEmpty()) {
      comPortAgreed();
      comPort(quint8(e.payload[0]), e.payload);
    }
  }

  // Clients know the modem lines only from what the server notifies.
  void comPortAgreed() {
    if (!std::exchange(comPortAgreed_, true))
      notifyModemState();
  }

  void comPort(quint8 cmd, const QByteArray &payload) {
    using namespace telnet;
    const qint64 v = comPortValue(payload);
    const auto answer = [this, cmd](quint32 value) { send(telnet::comPort(cmd + ServerOffset, value)); };
    switch (cmd) {
    case Signature: // empty: the client asks for ours
      if (payload.size() == 1)
        send(subnegotiation(ComPort, char(Signature + ServerOffset) + QByteArray(SignatureText)));
      return;
    case NotifyModemState: // a client polling
      notifyModemState();
      return;
    case FlowSuspend:
      suspended_ = true;
      return;
    case FlowResume:
      suspended_ = false;
      send(std::exchange(held_, {}));
      return;
    default:
      break;
    }
    if (v < 0)
      return;
    switch (cmd) {
    case SetBaudRate:
      baud_ = v > 0 ? quint32(v) : baud_;
      return answer(baud_);
    case SetDataSize: // values the line cannot take are answered with the one it keeps
      dataSize_ = v >= 5 && v <= 8 ? quint8(v) : dataSize_;
      return answer(dataSize_);
    case SetParity:
      parity_ = v >= 1 && v <= 5 ? quint8(v) : parity_;
      return answer(parity_);
    case SetStopSize:
      stopSize_ = v >= 1 && v <= 3 ? quint8(v) : stopSize_;
      return answer(stopSize_);
    case SetControl:
      if (const int g = controlGroup(v); g >= 0) {
        if (v != ControlQueries[size_t(g)])
          control_[size_t(g)] = quint8(v);
        answer(control_[size_t(g)]);
      }
      return;
    case SetLineStateMask: // the line's state never changes, so nothing is ever notified
      return answer(quint32(v));
    case SetModemStateMask:
      modemMask_ = quint8(v);
      return answer(quint32(v));
    case PurgeData:
      if (v == 1 || v == 3) // our receive buffer: what a suspended client has not been sent
        held_.clear();
      return answer(quint32(v));
    default:
      return;
    }
  }

  void notifyModemState() {
    send(telnet::subnegotiation(telnet::ComPort, QByteArray(1, char(NotifyModemState + telnet::ServerOffset)) +
                                                     char(ModemState & modemMask_)));
  }

  void send(const QByteArray &bytes) {
    if (bytes.isEmpty() || !live_)
      return;
    if (suspended_) {
      held_ += bytes;
      return;
    }
    out_.after([this, bytes] {
      if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(bytes);
    });
  }

  TcpBridge *bridge_;
  QTcpSocket *socket_;
  DelayLine in_, out_;
  bool live_ = true;
  const bool telnet_;
  telnet::Parser parser_;
  telnet::Options options_;
  bool comPortAgreed_ = false;
  bool suspended_ = false;
  QByteArray held_;
  quint32 baud_ = 9600;
  quint8 dataSize_ = 8, parity_ = telnet::ParityNone, stopSize_ = telnet::StopOne;
  // No flow control either way, BREAK off, DTR and RTS on.
  std::array<quint8, 5> control_{telnet::NoFlowControl, 6, 8, 11, InboundNoFlowControl};
  quint8 modemMask_ = 0xFF;
};

TcpBridge::TcpBridge(ControllerSim *sim, Mode mode, int latencyMs, QObject *parent)
    : QObject(parent), sim_(sim), mode_(mode), latencyMs_(latencyMs) {
  // With nobody connected, what the controller says is lost, as on an unplugged line.
  connect(sim_, &ControllerSim::send, this, [this](const QByteArray &bytes) {
    if (client_)
      client_->toClient(bytes);
  });
  connect(sim_, &ControllerSim::vanish, this, [this] {
    if (client_)
      std::exchange(client_, nullptr)->hangUp();
  });
  connect(&server_, &QTcpServer::newConnection, this, &TcpBridge::accept);
}

TcpBridge::~TcpBridge() = default;

bool TcpBridge::listen(const QString &address, QString *error) {
  QString host = QStringLiteral("127.0.0.1"), port = address;
  bool ok = true;
  if (address.startsWith(u'[')) {
    const qsizetype close = address.indexOf(QLatin1String("]:"));
    ok = close > 1;
    host = address.mid(1, close - 1);
    port = address.mid(close + 2);
  } else if (const qsizetype colon = address.lastIndexOf(u':'); colon >= 0) {
    host = address.left(colon);
    port = address.mid(colon + 1);
    ok = !host.isEmpty() && !host.contains(u':'); // IPv6 goes in brackets
  }
  uint portNo = 0;
  if (ok)
    portNo = port.toUInt(&ok);
  if (!ok || portNo > 65535) {
    *error = QStringLiteral("bad address: %1 (HOST:PORT, [IPv6]:PORT or PORT)").arg(address);
    return false;
  }
  QHostAddress at(host);
  if (at.isNull()) {
    const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
    if (found.isEmpty()) {
      *error = QStringLiteral("unknown host: %1").arg(host);
      return false;
    }
    at = found.first();
  }
  if (!server_.listen(at, quint16(portNo))) {
    *error = QStringLiteral("%1: %2").arg(address, server_.errorString());
    return false;
  }
  return true;
}

QString TcpBridge::url() const {
  const QHostAddress at = server_.serverAddress();
  const QString host = at.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + at.toString() + u']' : at.toString();
  return QStringLiteral("%1://%2:%3")
      .arg(mode_ == Mode::Rfc2217 ? QLatin1String("rfc2217") : QLatin1String("tcp"), host)
      .arg(server_.serverPort());
}

void TcpBridge::accept() {
  while (QTcpSocket *socket = server_.nextPendingConnection()) {
    // A client that closed and at once connected again: its close came
    // first on the wire, so it counts first here too.
    if (client_)
      client_->settle();
    if (client_) { // the port is taken
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      socket->write(Connection::refusal(mode_));
      socket->disconnectFromHost();
      continue;
    }
    sim_->clearInput();
    client_ = new Connection(this, socket);
  }
}
