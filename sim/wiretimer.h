#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

// A one-shot timer with nanosecond resolution: a character at 9600 baud
// lasts 1.04 ms, and whole-millisecond timers would drift the paced wire.
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
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool active_ = false;
};
