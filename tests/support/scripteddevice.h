#pragma once
#include "portdevice.h"

#include <QTimer>

// A line whose answers are scripted per write: each answer is a list of
// chunks, each delivered as its own read from the event loop.
class ScriptedDevice : public PortDevice {
public:
  QList<QByteArray> written;
  QList<QList<QByteArray>> answers; // one per write; none left: silence
  int opens = 0;
  int lastPortNo = 0;
  QString openFailure; // non-empty: open fails with this reason

  bool open(int portNo, QString *reason) override {
    lastPortNo = portNo;
    if (!openFailure.isEmpty()) {
      *reason = openFailure;
      return false;
    }
    open_ = true;
    ++opens;
    return true;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(const QByteArray &data) override {
    written << data;
    if (!answers.isEmpty())
      deliver(answers.takeFirst());
    return true;
  }
  qint64 bytesAvailable() const override { return buffer_.size(); }
  QByteArray readAll() override { return std::exchange(buffer_, {}); }

  // Characters arriving now, outside any exchange.
  void arrive(const QByteArray &chunk) {
    buffer_ += chunk;
    Q_EMIT dataArrived();
  }
  void vanish() {
    open_ = false;
    Q_EMIT vanished();
  }

private:
  void deliver(QList<QByteArray> chunks) {
    if (chunks.isEmpty())
      return;
    const QByteArray first = chunks.takeFirst();
    QTimer::singleShot(0, this, [this, first, chunks] {
      if (!open_)
        return;
      arrive(first);
      deliver(chunks);
    });
  }

  bool open_ = false;
  QByteArray buffer_;
};
