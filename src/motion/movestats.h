#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>

class Dialogs;
class MotionTest;
class Messages;

namespace movestats {
struct Summary {
  int count = 0;
  double min = 0, median = 0, mean = 0, max = 0, sd = 0; // sd: of a sample, 0 for one value
};
Summary Summarize(QList<qint64> values);

// CSV saved where the operator chooses (dialog title `title`), whole or not
// at all; 0 when saved, said in the status line.
qint16 SaveCsv(Dialogs &dialogs, const Messages &msg, int title, const QString &name, const QByteArray &csv);
} // namespace movestats

// The moves of the last move-test run: each move's time (move command to
// the stopped status) and cycle time (move command to the next move
// command; the last move of a run has none). A new run starts a new list;
// a run ended by Stop, an error or a lost line keeps what it measured.
class MoveStats : public QObject {
  Q_OBJECT
public:
  explicit MoveStats(MotionTest &motion);

  struct Move {
    int number;
    qint64 moveMs;
    qint64 cycleMs = -1;
  };
  const QList<Move> &moves() const { return moves_; }
  movestats::Summary moveSummary() const;
  movestats::Summary cycleSummary() const;
  QList<qint64> cycleTimes() const;

  // One line a move: "move,move_ms,cycle_ms" and then the numbers.
  QByteArray csv() const;
  static QByteArray csvLine(const Move &m);
  // The two summaries, a line each, in the run's language.
  QString summaryText(const Messages &msg) const;

Q_SIGNALS:
  void changed();

private:
  QList<Move> moves_;
};
