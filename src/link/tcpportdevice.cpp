#include "tcpportdevice.h"
#include "link.h"
#include "messagetable.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <cmath>

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
  connect(&socket_, &QTcpSocket::connected, this, [this] { settle(); });
  stepTimer_.setSingleShot(true);
  stepTimer_.setTimerType(Qt::PreciseTimer);
  connect(&stepTimer_, &QTimer::timeout, this, [this] {
    if (opening_ && failure_.isEmpty())
      fail(texts_(timeoutText_).arg(url_).arg(ConnectTimeoutMs / 1000.0 * Link::timeoutScale(), 0, 'g', 3));
  });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this] {
    if (open_)
      onDisconnected();
    else if (failure_.isEmpty())
      fail(url_ + QStringLiteral(": ") + socket_.errorString());
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
  connected_ = false;
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
  if (failure_.isEmpty() && !connected_) {
    connected_ = true;
    // Command lines are short: each goes out at once, not after Nagle's wait.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (telnet_) {
      unconfirmed_ = {SetBaudRate, SetDataSize, SetParity, SetStopSize, SetControl};
      reached_ = [this] { return settingsSent_ && unconfirmed_.isEmpty(); };
      armStep(5233);
      socket_.write(options_.request(WILL, ComPort) + options_.request(WILL, Binary) +
                    options_.request(DO, Binary) + options_.request(DO, SuppressGoAhead));
      return;
    }
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
  QByteArray data = bytes;
  if (telnet_) {
    QList<Event> events;
    data = parser_.feed(bytes, &events);
    negotiate(events);
  }
  if (data.isEmpty())
    return;
  rx_ += data;
  if (open_)
    Q_EMIT dataArrived();
}

void TcpPortDevice::negotiate(const QList<Event> &events) {
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
    if (failure_.isEmpty() && opening_)
      fail(url_ + QStringLiteral(": ") + socket_.errorString());
    return;
  }
  open_ = false;
  socket_.abort();
  Q_EMIT vanished();
}
