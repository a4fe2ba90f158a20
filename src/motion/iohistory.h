#pragma once
#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

// What the I/O monitor saw: the seven states of its first read, then each
// change, in milliseconds since the run began. Bounded: past `cap` changes
// the oldest are folded into the states they leave behind, and counted.
class IoHistory {
public:
  static constexpr int Signals = 7;
  static constexpr qsizetype DefaultCap = 100000;

  struct Change {
    qint64 ms;
    int row; // of IoSignals
    bool on;
  };

  // Where the run ended: the monitor stopped, or the line was lost.
  struct End {
    qint64 ms;
    bool lineLost;
  };

  explicit IoHistory(qsizetype cap = DefaultCap) : cap_(cap) {}

  void clear();
  void append(const Change &c);
  void end(const End &e) { end_ = e; }
  const std::optional<End> &ended() const { return end_; }

  const QList<Change> &changes() const { return changes_; }
  bool isEmpty() const { return changes_.isEmpty() && dropped_ == 0; }
  // Changes folded away to keep within the cap.
  qint64 dropped() const { return dropped_; }
  // The time from which the history is whole: its first record, or the
  // last one folded away.
  qint64 firstMs() const;
  // The last change, or the run's end when it has ended.
  qint64 lastMs() const;

  // The state of `row` at `ms`: its last change up to then, else what the
  // folded changes left (off before the first read).
  bool stateAt(int row, qint64 ms) const;
  // The index of the first change at or after `ms`.
  qsizetype firstAtOrAfter(qint64 ms) const;

  // CSV: a header line, then one line a change; after a fold, the states
  // the folded changes left come first, at the time of the last of them.
  QByteArray csv(const std::array<const char *, Signals> &names) const;

private:
  QList<Change> changes_;
  std::array<bool, Signals> folded_{};
  qint64 foldedMs_ = 0;
  qint64 dropped_ = 0;
  std::optional<End> end_;
  qsizetype cap_;
};
