#pragma once
#include <QtGlobal>

#include <functional>
#include <memory>

#ifdef Q_OS_WIN
#include <QMutex>
#include <QObject>
#include <windows.h>
#else
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
// Ctrl+C (or Ctrl+Break) at the console runs `action` from the event loop
// instead of ending the program. The console calls its handler on a thread
// of its own, which only posts the action to the thread that made this.
class Interrupt {
public:
  explicit Interrupt(std::function<void()> action) : action_(std::move(action)) {
    {
      const QMutexLocker lock(&mutex());
      previous_ = current();
      current() = this;
    }
    ::SetConsoleCtrlHandler(&Interrupt::handler, TRUE);
  }
  ~Interrupt() {
    ::SetConsoleCtrlHandler(&Interrupt::handler, FALSE);
    const QMutexLocker lock(&mutex());
    current() = previous_;
  }

private:
  static BOOL WINAPI handler(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
      return FALSE;
    const QMutexLocker lock(&mutex());
    Interrupt *const self = current();
    if (!self)
      return FALSE;
    // Dropped with the receiver if this ends before the event loop runs it.
    QMetaObject::invokeMethod(&self->receiver_, [self] { self->action_(); }, Qt::QueuedConnection);
    return TRUE;
  }
  static QMutex &mutex() {
    static QMutex m;
    return m;
  }
  static Interrupt *&current() {
    static Interrupt *p = nullptr;
    return p;
  }
  std::function<void()> action_;
  QObject receiver_; // lives in the thread whose event loop runs the action
  Interrupt *previous_ = nullptr;
};
#else
// Ctrl+C runs `action` from the event loop (a signal handler may only
// write to a pipe) instead of ending the program.
class Interrupt {
public:
  explicit Interrupt(std::function<void()> action) : action_(std::move(action)) {
    if (::pipe(fds_) != 0)
      return;
    writeEnd() = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
      char c;
      while (::read(fds_[0], &c, 1) == 1) {
      }
      action_();
    });
    ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = [](int) {
      const char c = 1;
      [[maybe_unused]] const ssize_t n = ::write(writeEnd(), &c, 1);
    };
    ::sigaction(SIGINT, &sa, &previous_);
  }
  ~Interrupt() {
    if (!notifier_)
      return;
    ::sigaction(SIGINT, &previous_, nullptr);
    notifier_.reset();
    writeEnd() = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }

private:
  static int &writeEnd() {
    static int fd = -1;
    return fd;
  }
  std::function<void()> action_;
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_ {};
};
#endif
