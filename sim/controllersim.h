#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>
#include <random>
#include "wiretimer.h"
#include <array>

// A ZT-KOV controller on the far end of the serial line: takes command lines,
// keeps the point-1 record, parameter blocks 0, 1, 2 and 7, status, I/O words
// and alarms, runs timed moves, and can pace or spoil its replies on request.
class ControllerSim : public QObject {
  Q_OBJECT
public:
  enum class Fault { None, NoReply, WrongLength, WrongEcho, ErrorReply, Garbage, Split, TwoLines, Vanish, Late };
  // A late reply comes this long after its time.
  static constexpr qint64 LateNs = 2'500'000'000;

  explicit ControllerSim(QObject *parent = nullptr);

  // Bytes from the PC; lines end in CR LF and may come in pieces.
  void receive(const QByteArray &bytes);
  // Drops a line begun but not ended, so that the next client's first line starts clean.
  void clearInput() { rx_.clear(); }

  // `code` is matched against the start of the line ("0RA", "0WD7"), the longest
  // match winning, or "*" for every command; "0CM6" counts as "0CM". Fault::None
  // exempts a code from a "*" fault. `times` -1 = until cleared.
  void setFault(const QByteArray &code, Fault f, int times = -1);
  void clearFaults();
  // Chaos: each line draws, with probability `rate`, one of every fault
  // (no reply, late, wrong length, wrong echo, error reply, garbage, split,
  // the line vanishing); the same seed gives the same faults.
  void setChaos(double rate, quint32 seed);
  const QList<Fault> &chaosFaults() const { return chaosFaults_; }
  void setErrorKey(const QByteArray &twoChars);

  // 9600-baud character time, both for the line coming in and the reply going out.
  void setPaced(bool on);
  bool isPaced() const { return paced_; }
  // Multiplies move durations; tests use a tiny scale.
  void setTimeScale(double scale);
  double timeScale() const { return timeScale_; }

  QList<QByteArray> receivedLines() const { return log_; }
  void clearLog() { log_.clear(); }

  int status() const { return status_; }
  // 0 moving (until set otherwise), 1 and 2 stopped, 3 alarm; cancels a running move.
  void setStatus(int s);
  // Status 3 with ALM on and RDY off until "0AR".
  void raiseAlarm(const QByteArray &key);
  QByteArray alarmKey() const { return alarmKey_; }

  // Committed data: 16 bytes of block n (0, 1, 2, 7); 16 field characters of point 1.
  QByteArray block(int n) const;
  void setBlock(int n, const QByteArray &bytes);
  QByteArray pointRecord() const { return point_; }
  void setPointRecord(const QByteArray &fields);

  // The status a homing run ends in: 1, or 2 for a controller that never
  // reports its homing complete.
  void setHomingEnds(int status) { homingEnds_ = status; }
  // Writes are answered as done but never kept: a controller whose memory
  // no longer takes them.
  void setDropWrites(bool drop) { dropWrites_ = drop; }
  // The STB input turns on and off every `ms` milliseconds (0: never).
  void setInputCycle(int ms);

  int commMode() const { return commMode_; }
  int inputWord() const { return input_; }
  void setInputWord(int w) { input_ = w & 0xFFF; }
  // The STB input bit.
  static constexpr int InStb = 0x800;
  int outputWord() const { return output_; }

  QByteArray version() const { return version_; }
  // Three characters; any other length gives a version reply of another length.
  void setVersion(const QByteArray &threeChars) { version_ = threeChars; }

  // Unscaled duration of an index move with the given 16 record fields.
  static int indexMoveMs(const QByteArray &fields);
  static constexpr int HomingMs = 1500;

Q_SIGNALS:
  // Bytes to the PC; each emission is one read's worth.
  void send(const QByteArray &bytes);
  // The line went away (Fault::Vanish).
  void vanish();
  // Every line received, without CR LF.
  void lineReceived(const QByteArray &line);
  // Chaos chose fault `f` for the line just received.
  void faultInjected(ControllerSim::Fault f);

private:
  struct FaultEntry {
    Fault kind = Fault::None;
    int times = -1;
  };
  struct Outgoing {
    QByteArray bytes;
    qint64 dueNs = 0;
    bool vanish = false;
  };

  void handleLine(const QByteArray &line);
  QByteArray execute(const QByteArray &line);
  QByteArray errorReply(const QByteArray &key);
  Fault takeFault(const QByteArray &line);
  static QByteArray spoil(const QByteArray &reply, Fault f);
  void queue(const QByteArray &bytes, int lineChars, bool split = false, qint64 lateNs = 0);
  void queueVanish();
  void armOutput();
  void emitNext();
  void startMove(int ms);

  static int blockIndex(char digit);

  QByteArray rx_;
  QList<QByteArray> log_;
  QHash<QByteArray, FaultEntry> faults_;
  QByteArray errorKey_ = "01";
  bool paced_ = false;
  double timeScale_ = 1.0;

  int status_ = 1;
  int commMode_ = 0;
  int input_ = 0x000;
  int output_ = 0x20; // RDY
  QByteArray alarmKey_;
  QByteArray lastErrorCode_ = "000";
  QByteArray version_ = "110";

  QByteArray point_;
  QByteArray pointStaged_;
  std::array<QByteArray, 4> blocks_;  // 0, 1, 2, 7
  std::array<QByteArray, 4> staged_;  // empty = nothing staged

  double chaosRate_ = 0;
  std::mt19937 chaos_;
  QList<Fault> chaosFaults_;
  QTimer moveTimer_;
  QTimer inputTimer_;
  bool homingMove_ = false;
  int homingEnds_ = 1;
  bool dropWrites_ = false;
  WireTimer outTimer_;
  QElapsedTimer clock_;
  QList<Outgoing> out_;
  qint64 wireFreeNs_ = 0; // when the last queued character has left
};
