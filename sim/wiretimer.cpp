#include "wiretimer.h"

#include <limits>

#ifdef Q_OS_WIN
WireTimer::WireTimer(QObject *parent) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    active_ = false;
    Q_EMIT timeout();
  });
}

WireTimer::~WireTimer() = default;

void WireTimer::start(qint64 delayNs) {
  const qint64 ms = delayNs <= 0 ? 0 : (delayNs + 999'999) / 1'000'000;
  timer_.start(int(qMin<qint64>(ms, std::numeric_limits<int>::max())));
  active_ = true;
}

void WireTimer::stop() {
  timer_.stop();
  active_ = false;
}
#else
#include <sys/timerfd.h>
#include <unistd.h>

WireTimer::WireTimer(QObject *parent) : QObject(parent) {
  fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    quint64 expirations = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
    if (!active_)
      return;
    active_ = false;
    Q_EMIT timeout();
  });
}

WireTimer::~WireTimer() {
  notifier_.reset();
  if (fd_ >= 0)
    ::close(fd_);
}

void WireTimer::start(qint64 delayNs) {
  itimerspec spec{};
  const qint64 ns = qMax<qint64>(delayNs, 1); // zero would disarm
  spec.it_value.tv_sec = ns / 1'000'000'000;
  spec.it_value.tv_nsec = ns % 1'000'000'000;
  ::timerfd_settime(fd_, 0, &spec, nullptr);
  active_ = true;
}

void WireTimer::stop() {
  itimerspec spec{};
  ::timerfd_settime(fd_, 0, &spec, nullptr);
  active_ = false;
}
#endif
