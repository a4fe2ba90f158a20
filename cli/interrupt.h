#pragma once
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

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
