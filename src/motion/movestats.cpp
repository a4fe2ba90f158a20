#include "movestats.h"
#include "dialogs.h"
#include "messagetable.h"
#include "wholefile.h"

#include <QFileInfo>
#include "motiontest.h"

#include <algorithm>
#include <cmath>

namespace movestats {

Summary Summarize(QList<qint64> v) {
  Summary s;
  s.count = int(v.size());
  if (v.isEmpty())
    return s;
  std::sort(v.begin(), v.end());
  const qsizetype n = v.size();
  s.min = double(v.first());
  s.max = double(v.last());
  s.median = n % 2 ? double(v[n / 2]) : (double(v[n / 2 - 1]) + double(v[n / 2])) / 2;
  double sum = 0;
  for (qint64 x : v)
    sum += double(x);
  s.mean = sum / double(n);
  if (n > 1) {
    double squares = 0;
    for (qint64 x : v)
      squares += (double(x) - s.mean) * (double(x) - s.mean);
    s.sd = std::sqrt(squares / double(n - 1));
  }
  return s;
}

qint16 SaveCsv(Dialogs &dialogs, const Messages &msg, int title, const QString &name, const QByteArray &csv) {
  const QString path = dialogs.saveFileName({msg.text(title), msg.text(5146), name, QStringLiteral("csv")});
  if (path.isEmpty())
    return 1;
  QString reason;
  if (!wholefile::Save(path, csv, &reason)) {
    dialogs.message(msg.told(5149) + QStringLiteral("\r\n") + path + QStringLiteral("\r\n") + reason,
                    Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    return 1;
  }
  dialogs.done(msg.told(5103).arg(QFileInfo(path).fileName()));
  return 0;
}

} // namespace movestats

MoveStats::MoveStats(MotionTest &motion) {
  connect(&motion, &MotionTest::moveCompleted, this, [this](int number, qint64 ms) {
    if (number == 1)
      moves_.clear(); // a run numbers its moves from 1
    moves_.append({number, ms});
    Q_EMIT changed();
  });
  connect(&motion, &MotionTest::cycleCompleted, this, [this](int number, qint64 ms) {
    if (!moves_.isEmpty() && moves_.last().number == number)
      moves_.last().cycleMs = ms;
    Q_EMIT changed();
  });
}

movestats::Summary MoveStats::moveSummary() const {
  QList<qint64> v;
  for (const Move &m : moves_)
    v << m.moveMs;
  return movestats::Summarize(v);
}

QList<qint64> MoveStats::cycleTimes() const {
  QList<qint64> v;
  for (const Move &m : moves_)
    if (m.cycleMs >= 0)
      v << m.cycleMs;
  return v;
}

movestats::Summary MoveStats::cycleSummary() const { return movestats::Summarize(cycleTimes()); }

QByteArray MoveStats::csvLine(const Move &m) {
  return QByteArray::number(m.number) + ',' + QByteArray::number(m.moveMs) + ',' +
         (m.cycleMs >= 0 ? QByteArray::number(m.cycleMs) : QByteArray()) + "\r\n";
}

QByteArray MoveStats::csv() const {
  QByteArray out = "move,move_ms,cycle_ms\r\n";
  for (const Move &m : moves_)
    out += csvLine(m);
  return out;
}

QString MoveStats::summaryText(const Messages &msg) const {
  auto line = [&msg](int title, const movestats::Summary &s) {
    auto n = [](double v) { return QString::number(v, 'f', 1); };
    // Zeros would read as measured times.
    if (s.count == 0)
      return msg.text(title) + QStringLiteral(": \u2014\n");
    return msg.text(title) + QStringLiteral(": ") +
           msg.text(5275).arg(s.count).arg(n(s.min), n(s.median), n(s.mean), n(s.max), n(s.sd)) + u'\n';
  };
  return line(5273, moveSummary()) + line(5274, cycleSummary());
}
