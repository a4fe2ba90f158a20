#pragma once
#include <QObject>
#include <memory>
#ifdef Q_OS_WIN
#include <QTimer>
#else
#include <QSocketNotifier>
#endif

// A one-shot timer with nanosecond resolution: a character at 9600 baud
// lasts 1.04 ms, and whole-millisecond timers would drift the paced wire.
// Windows has no such timer: there it ends on the first millisecond not
// before the time asked, which keeps a paced wire from running early.
class WireTimer : public QObject {
  Q_OBJECT
public:
  explicit WireTimer(QObject *parent = nullptr);
  ~WireTimer() override;

  void start(qint64 delayNs);
  void stop();
  bool isActive() const { return active_; }

Q_SIGNALS:
  void timeout();

private:
#ifdef Q_OS_WIN
  QTimer timer_;
#else
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
#endif
  bool active_ = false;
};
