#include "tcpportdevice.h"
#include "link.h"
#include "messagetable.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <cmath>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

using namespace telnet;

namespace {
// What the line must be set to, by COM-PORT-OPTION command.
quint32 wanted(quint8 cmd) {
  switch (cmd) {
  case SetBaudRate: return 9600;
  case SetDataSize: return 8;
  case SetParity: return ParityNone;
  case SetStopSize: return StopOne;
  default: return NoFlowControl;
  }
}
const char *settingName(quint8 cmd) {
  static const char *const names[] = {"", "SET-BAUDRATE", "SET-DATASIZE", "SET-PARITY", "SET-STOPSIZE", "SET-CONTROL"};
  return cmd <= SetControl ? names[cmd] : "";
}
} // namespace

TcpPortDevice::TcpPortDevice(QObject *parent) : PortDevice(parent) {
  texts_ = [](int n) { return Messages(msgtable::EnglishBase).text(n); };
  connect(&socket_, &QTcpSocket::readyRead, this, &TcpPortDevice::onReadyRead);
  connect(&socket_, &QTcpSocket::disconnected, this, &TcpPortDevice::onDisconnected);
  connect(&socket_, &QTcpSocket::connected, this, [this] {
    // Command lines are short: each goes out at once, not after Nagle's wait.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    settle();
  });
  stepTimer_.setSingleShot(true);
  stepTimer_.setTimerType(Qt::PreciseTimer);
  connect(&stepTimer_, &QTimer::timeout, this, [this] {
    if (!opening_ || !failure_.isEmpty())
      return;
    QString text = texts_(timeoutText_).arg(url_).arg(ConnectTimeoutMs / 1000.0 * Link::timeoutScale(), 0, 'g', 3);
    fail(step_ == Step::Greeting ? text.arg(otherUrl()) : text);
  });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    if (e != QAbstractSocket::SocketTimeoutError) // a look for data that found none
      onDisconnected();
  });
}

// The socket's last signals must not reach a device half taken down.
TcpPortDevice::~TcpPortDevice() { disconnect(&socket_, nullptr, this, nullptr); }

bool TcpPortDevice::isUrl(const QString &path) {
  return path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) ||
         path.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive);
}

bool TcpPortDevice::parseUrl(const QString &url, QString *host, quint16 *port, bool *telnet) {
  const QUrl u(url.trimmed(), QUrl::StrictMode);
  const QString scheme = u.scheme().toLower();
  if (!u.isValid() || (scheme != u"tcp" && scheme != u"rfc2217") || u.host().isEmpty() || u.port() < 1 ||
      !u.userInfo().isEmpty() || !(u.path().isEmpty() || u.path() == u"/") || u.hasQuery() || u.hasFragment())
    return false;
  *host = u.host();
  *port = quint16(u.port());
  *telnet = scheme == u"rfc2217";
  return true;
}

bool TcpPortDevice::isAddress(const QString &url) {
  QString host;
  quint16 port = 0;
  bool telnet = false;
  return parseUrl(url, &host, &port, &telnet);
}

QString TcpPortDevice::otherUrl() const {
  const qsizetype colon = url_.indexOf(u':');
  return (telnet_ ? QStringLiteral("tcp") : QStringLiteral("rfc2217")) + url_.mid(colon);
}

bool TcpPortDevice::open(int, QString *reason) {
  startOpen();
  if (opening_) {
    QEventLoop loop;
    connect(this, &TcpPortDevice::openEnded, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (!open_)
    *reason = failure_;
  return open_;
}

void TcpPortDevice::startOpen() {
  close();
  failure_ = QStringLiteral("-"); // the old socket's last words are not this opening's
  socket_.abort();
  stepTimer_.stop();
  QString host;
  quint16 port = 0;
  if (!parseUrl(url_, &host, &port, &telnet_)) {
    failure_ = texts_(5235).arg(url_);
    Q_EMIT openEnded(false, failure_);
    return;
  }
  failure_.clear();
  rx_.clear();
  parser_ = {};
  options_ = {};
  settingsSent_ = false;
  step_ = Step::Connecting;
  spoke_ = false;
  heardAny_ = false;
  dropReason_.clear();
  unconfirmed_.clear();
  opening_ = true;
  reached_ = [this] { return socket_.state() == QAbstractSocket::ConnectedState; };
  armStep(5230);
  socket_.connectToHost(host, port);
}

void TcpPortDevice::armStep(int timeoutText) {
  timeoutText_ = timeoutText;
  const double seconds = ConnectTimeoutMs * Link::timeoutScale() / 1000.0;
  stepTimer_.start(qMax(1, int(std::lround(seconds * 1000))));
}

void TcpPortDevice::settle() {
  if (!opening_ || (failure_.isEmpty() && !reached_()))
    return;
  if (failure_.isEmpty() && step_ == Step::Connecting && telnet_) {
    // Our own negotiation would reach the controller as data if the server
    // turned out to pass bytes as they are: the server speaks first.
    step_ = Step::Greeting;
    reached_ = [this] { return spoke_; };
    armStep(5348);
    return;
  }
  if (failure_.isEmpty() && step_ == Step::Greeting) {
    step_ = Step::Settings;
    unconfirmed_ = {SetBaudRate, SetDataSize, SetParity, SetStopSize, SetControl};
    reached_ = [this] { return settingsSent_ && unconfirmed_.isEmpty(); };
    armStep(5233);
    return;
  }
  finish();
}

void TcpPortDevice::finish() {
  stepTimer_.stop();
  opening_ = false;
  open_ = failure_.isEmpty();
  if (!open_)
    socket_.abort();
  Q_EMIT openEnded(open_, failure_);
}

void TcpPortDevice::fail(const QString &reason) {
  failure_ = reason;
  settle();
}

void TcpPortDevice::close() {
  if (opening_) { // given up: the opening ends, failed, with no reason
    stepTimer_.stop();
    opening_ = false;
    socket_.abort();
    Q_EMIT openEnded(false, QString());
    return;
  }
  if (!open_)
    return;
  open_ = false;
  // What is written still goes out; the socket is reset at the next open.
  socket_.disconnectFromHost();
}

bool TcpPortDevice::write(const QByteArray &data) {
  if (!open_)
    return false;
  const QByteArray bytes = telnet_ ? escape(data) : data;
  return socket_.write(bytes) == bytes.size() && (socket_.flush(), true);
}

void TcpPortDevice::onReadyRead() {
  const QByteArray bytes = socket_.readAll();
#ifdef Q_OS_LINUX
  // A server answers the line settings in several small writes; under
  // Nagle's rule the later ones wait for our acknowledgement, which Linux
  // would delay by 40 ms: while opening, acknowledge at once.
  if (opening_) {
    const int one = 1;
    setsockopt(int(socket_.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
  }
#endif
#ifdef Q_OS_WIN
  // Windows tells a peer's close once, with its last data, and Qt may pass
  // over it: look for the close again once this data is handled.
  QTimer::singleShot(0, this, [this] {
    if (socket_.state() == QAbstractSocket::ConnectedState)
      socket_.waitForReadyRead(0);
  });
#endif
  if (!telnet_ && !std::exchange(heardAny_, true) && speaksTelnet(bytes))
    return;
  QByteArray data = bytes;
  if (telnet_) {
    QList<Event> events;
    data = parser_.feed(bytes, &events);
    negotiate(events);
    if (opening_ && !spoke_ && !data.isEmpty() && failure_.isEmpty())
      return fail(texts_(5349).arg(url_, otherUrl()));
  }
  if (data.isEmpty())
    return;
  rx_ += data;
  if (open_)
    Q_EMIT dataArrived();
}

bool TcpPortDevice::speaksTelnet(const QByteArray &firstBytes) {
  // A controller's replies are ASCII; a Telnet server opens with IAC and a verb.
  const char verb = firstBytes.size() < 2 || firstBytes[0] != IAC ? 0 : firstBytes[1];
  if (verb != WILL && verb != WONT && verb != DO && verb != DONT && verb != SB)
    return false;
  dropReason_ = texts_(5347).arg(url_, otherUrl());
  const bool wasOpen = std::exchange(open_, false);
  socket_.abort();
  if (wasOpen)
    Q_EMIT vanished();
  else
    fail(dropReason_);
  return true;
}

void TcpPortDevice::negotiate(const QList<Event> &events) {
  if (opening_ && !spoke_ && !events.isEmpty()) {
    spoke_ = true;
    // Asked before the server's requests are answered, so that its DO
    // COM-PORT-OPTION is taken as the answer to our WILL, not asked twice.
    socket_.write(options_.request(WILL, ComPort) + options_.request(WILL, Binary) + options_.request(DO, Binary) +
                  options_.request(DO, SuppressGoAhead));
  }
  for (const Event &e : events) {
    if (e.verb != SB) {
      socket_.write(options_.answer(e, {Binary, SuppressGoAhead, ComPort}));
      continue;
    }
    if (e.option != ComPort || e.payload.isEmpty() || quint8(e.payload[0]) <= ServerOffset)
      continue;
    const quint8 cmd = quint8(e.payload[0]) - ServerOffset;
    const qint64 value = comPortValue(e.payload);
    if (unconfirmed_.removeOne(cmd) && value != wanted(cmd) && failure_.isEmpty())
      fail(texts_(5232).arg(url_, QLatin1String(settingName(cmd))).arg(value).arg(wanted(cmd)));
  }
  if (open_ || !telnet_)
    return;
  if (options_.refused(ComPort) && failure_.isEmpty())
    fail(texts_(5231).arg(url_));
  if (options_.local(ComPort) && !settingsSent_) {
    settingsSent_ = true;
    for (quint8 cmd : {SetBaudRate, SetDataSize, SetParity, SetStopSize, SetControl})
      socket_.write(comPort(cmd, wanted(cmd)));
  }
  settle();
}

void TcpPortDevice::onDisconnected() {
  if (!open_) {
    // A server that refuses says why before it closes ("Port already in use").
    const QString said = printable(rx_);
    if (failure_.isEmpty() && opening_)
      fail(url_ + QStringLiteral(": ") + (said.isEmpty() ? socket_.errorString() : said));
    return;
  }
  // Last words the link had no chance to take (Windows may tell the close
  // before the data that came with it).
  if (socket_.bytesAvailable() > 0)
    onReadyRead();
  if (dropReason_.isEmpty())
    dropReason_ = printable(std::exchange(rx_, {}));
  open_ = false;
  socket_.abort();
  Q_EMIT vanished();
}
