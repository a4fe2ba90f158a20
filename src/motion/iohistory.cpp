#include "iohistory.h"

#include <algorithm>

void IoHistory::clear() {
  changes_.clear();
  folded_ = {};
  foldedMs_ = 0;
  dropped_ = 0;
  end_.reset();
}

void IoHistory::append(const Change &c) {
  changes_.append(c);
  // A tenth at a time, so that a full history does not move on every change.
  if (changes_.size() > cap_) {
    const qsizetype n = std::max<qsizetype>(1, cap_ / 10);
    for (qsizetype i = 0; i < n; ++i)
      folded_[std::size_t(changes_[i].row)] = changes_[i].on;
    foldedMs_ = changes_[n - 1].ms;
    changes_.remove(0, n);
    dropped_ += n;
  }
}

qint64 IoHistory::firstMs() const {
  if (dropped_ > 0)
    return foldedMs_;
  return changes_.isEmpty() ? 0 : changes_.first().ms;
}

qint64 IoHistory::lastMs() const {
  const qint64 last = changes_.isEmpty() ? foldedMs_ : changes_.last().ms;
  return end_ ? std::max(last, end_->ms) : last;
}

qsizetype IoHistory::firstAtOrAfter(qint64 ms) const {
  return std::lower_bound(changes_.begin(), changes_.end(), ms,
                          [](const Change &c, qint64 t) { return c.ms < t; }) -
         changes_.begin();
}

bool IoHistory::stateAt(int row, qint64 ms) const {
  // The last change of the row at or before `ms`.
  for (qsizetype i = firstAtOrAfter(ms + 1) - 1; i >= 0; --i)
    if (changes_[i].row == row)
      return changes_[i].on;
  return folded_[std::size_t(row)];
}

QByteArray IoHistory::csv(const std::array<const char *, Signals> &names) const {
  QByteArray out = "ms,signal,state\r\n";
  auto line = [&](qint64 ms, int row, bool on) {
    out += QByteArray::number(ms) + ',' + names[std::size_t(row)] + ',' + (on ? '1' : '0') + "\r\n";
  };
  if (dropped_ > 0)
    for (int row = 0; row < Signals; ++row)
      line(foldedMs_, row, folded_[std::size_t(row)]);
  for (const Change &c : changes_)
    line(c.ms, c.row, c.on);
  return out;
}
