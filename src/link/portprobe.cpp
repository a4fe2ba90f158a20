#include "portprobe.h"
#include "link.h"
#include "tcpportdevice.h"

#include <QFileInfo>
#include <QTimer>
#include <cmath>
#ifdef Q_OS_WIN
#include <QSerialPort>
#include <QSerialPortInfo>
#endif

namespace {
// Windows' ports are no files: the system lists them.
bool present(const QString &path) {
#ifdef Q_OS_WIN
  return !QSerialPortInfo(QSerialPort(path).portName()).isNull();
#else
  return QFileInfo::exists(path);
#endif
}
} // namespace

struct PortProbe::Check {
  TcpPortDevice line;
  QTimer timer;
  QByteArray reply;
};

PortProbe::PortProbe(PortDevice &line, std::function<QString(int)> texts, QObject *parent)
    : QObject(parent), line_(line), texts_(std::move(texts)) {}

PortProbe::~PortProbe() = default;

void PortProbe::start(int inUse) {
  starting_ = true;
  // Every network line is pending before any can end.
  for (int n = 1; n <= 32; ++n) {
    results_[std::size_t(n)] = {};
    if (n != inUse && TcpPortDevice::isUrl(line_.devicePath(n)))
      results_[std::size_t(n)].found = Found::Checking;
  }
  for (int n = 1; n <= 32; ++n) {
    const QString path = line_.devicePath(n);
    if (n == inUse) {
      results_[std::size_t(n)].found = Found::Opens;
    } else if (results_[std::size_t(n)].found == Found::Checking) {
      check(n, path);
    } else {
      QString reason;
      if (line_.tryPort(n, &reason)) {
        results_[std::size_t(n)].found = Found::Opens;
      } else if (!path.isEmpty() && present(path)) {
        // Only a device that is there but refused is worth telling about.
        if (reason.startsWith(path + QStringLiteral(": ")))
          reason = reason.mid(path.size() + 2);
        results_[std::size_t(n)] = {Found::Refused, reason};
      }
    }
  }
  starting_ = false;
}

bool PortProbe::running() const {
  for (const Result &r : results_)
    if (r.found == Found::Checking)
      return true;
  return false;
}

QString PortProbe::describe(int n) const {
  const Result &r = results_[std::size_t(n)];
  switch (r.found) {
  case Found::Checking: return texts_(5310);
  case Found::Opens: return texts_(5163);
  case Found::Controller: return texts_(5311);
  default: return r.reason;
  }
}

void PortProbe::check(int n, const QString &url) {
  auto c = std::make_unique<Check>();
  Check *at = c.get();
  checks_[std::size_t(n)] = std::move(c);
  at->line.setUrl(url);
  at->line.setTexts(texts_);
  at->timer.setSingleShot(true);
  at->timer.setTimerType(Qt::PreciseTimer);
  const double seconds = ReplyTimeoutMs * Link::timeoutScale() / 1000.0;
  const QString silent = texts_(5312).arg(seconds, 0, 'g', 3);
  connect(&at->line, &TcpPortDevice::openEnded, this, [this, n, at, seconds, url](bool opened, const QString &reason) {
    if (!opened) // the label names the address already
      return end(n, Found::Refused, reason.startsWith(url + QStringLiteral(": ")) ? reason.mid(url.size() + 2) : reason);
    at->line.write("0CM6\r\n");
    at->timer.start(qMax(1, int(std::lround(seconds * 1000))));
  });
  connect(&at->line, &PortDevice::dataArrived, this, [this, n, at, silent] {
    at->reply += at->line.readAll();
    if (!at->reply.endsWith("\r\n"))
      return;
    // The echo, or an error reply: either way a controller is there.
    const bool answered = (at->reply.startsWith("0CM") && at->reply.size() == 6) || at->reply.startsWith("0%%");
    end(n, answered ? Found::Controller : Found::NoController, answered ? QString() : silent);
  });
  // A server that turned out to speak another protocol says so.
  connect(&at->line, &PortDevice::vanished, this, [this, n, at, silent] {
    const QString why = at->line.dropReason();
    end(n, Found::NoController, why.isEmpty() ? silent : why);
  });
  connect(&at->timer, &QTimer::timeout, this, [this, n, silent] { end(n, Found::NoController, silent); });
  at->line.startOpen();
}

void PortProbe::stop() {
  stopped_ = true;
  for (const auto &c : checks_)
    if (c) {
      c->timer.stop();
      c->line.close();
    }
}

void PortProbe::end(int n, Found found, const QString &reason) {
  Result &r = results_[std::size_t(n)];
  if (stopped_ || r.found != Found::Checking)
    return;
  r = {found, reason};
  Check &c = *checks_[std::size_t(n)];
  c.timer.stop();
  c.line.close(); // a server that serves one client at a time is free again
  if (starting_)
    return;
  Q_EMIT portEnded(n);
  if (!running())
    Q_EMIT finished();
}
