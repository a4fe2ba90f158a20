#include "controllersim.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// 10 bits a character at 9600 baud.
constexpr qint64 CharNs = 1'041'667;

// Error keys of the controller's error list.
constexpr char KeyUndefined[] = "01";
constexpr char KeyFormat[] = "02";
constexpr char KeyRange[] = "03";
constexpr char KeyMoving[] = "04";
constexpr char KeyNotMonitor[] = "05";
constexpr char KeyAlarm[] = "10";

constexpr int OutAlm = 0x40;
constexpr int OutRdy = 0x20;
constexpr int MonitorMode = 7;
constexpr int CheckMode = 6;
constexpr int MaxMoveMs = 30'000;

bool isHex(const QByteArray &s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  });
}

int hexValue(const QByteArray &s) { return s.toInt(nullptr, 16); }

// The key travels as the first and third of the three code characters.
QByteArray codeOfKey(const QByteArray &key) {
  QByteArray code = "000";
  if (key.size() > 0)
    code[0] = key[0];
  if (key.size() > 1)
    code[2] = key[1];
  return code;
}

// Standard parameters of a size-28 actuator, and block 7 with 1.5 A (count 0x0119).
constexpr const char *StartBlocks[4] = {
    "001E" "1E" "0A" "0A" "0A" "00" "0064" "00" "7D" "00" "00" "01" "00" "00",
    "02" "02" "0190" "00FFFF" "14" "00" "1C" "4C" "0064" "00" "00" "00",
    "00" "00" "00" "00" "000000" "000000" "0A" "0A" "00" "00" "00" "00",
    "012C" "0096" "0032" "0119" "00C8" "0064" "0000" "0000",
};
// Velocity 1000, acceleration 2, fields 3 and 4 zero, CW, division 8, gear ratio 3.
constexpr char StartPoint[] = "03E8" "2" "0" "00000" "0" "08" "03";

} // namespace

ControllerSim::ControllerSim(QObject *parent) : QObject(parent) {
  for (int i = 0; i < 4; ++i)
    blocks_[i] = QByteArray::fromHex(StartBlocks[i]);
  point_ = StartPoint;
  moveTimer_.setSingleShot(true);
  moveTimer_.setTimerType(Qt::PreciseTimer);
  connect(&moveTimer_, &QTimer::timeout, this, [this] {
    if (status_ == 0)
      status_ = homingMove_ ? homingEnds_ : 1;
  });
  inputTimer_.setTimerType(Qt::PreciseTimer);
  connect(&inputTimer_, &QTimer::timeout, this, [this] { input_ ^= InStb; });
  connect(&outTimer_, &WireTimer::timeout, this, &ControllerSim::emitNext);
  clock_.start();
}

void ControllerSim::receive(const QByteArray &bytes) {
  rx_ += bytes;
  qsizetype end;
  while ((end = rx_.indexOf("\r\n")) >= 0) {
    const QByteArray line = rx_.left(end);
    rx_.remove(0, end + 2);
    handleLine(line);
  }
}

void ControllerSim::setFault(const QByteArray &code, Fault f, int times) {
  if (times == 0)
    faults_.remove(code);
  else
    faults_.insert(code, {f, times});
}

void ControllerSim::clearFaults() { faults_.clear(); }

void ControllerSim::setErrorKey(const QByteArray &twoChars) { errorKey_ = twoChars; }

void ControllerSim::setPaced(bool on) { paced_ = on; }

void ControllerSim::setTimeScale(double scale) { timeScale_ = std::max(0.0, scale); }

void ControllerSim::setStatus(int s) {
  moveTimer_.stop();
  status_ = s;
}

void ControllerSim::raiseAlarm(const QByteArray &key) {
  moveTimer_.stop();
  status_ = 3;
  alarmKey_ = key;
  output_ = (output_ | OutAlm) & ~OutRdy;
}

int ControllerSim::blockIndex(char digit) {
  switch (digit) {
  case '0': return 0;
  case '1': return 1;
  case '2': return 2;
  case '7': return 3;
  default: return -1;
  }
}

QByteArray ControllerSim::block(int n) const {
  const int i = n >= 0 && n <= 9 ? blockIndex(char('0' + n)) : -1;
  return i < 0 ? QByteArray() : blocks_[i];
}

void ControllerSim::setBlock(int n, const QByteArray &bytes) {
  const int i = n >= 0 && n <= 9 ? blockIndex(char('0' + n)) : -1;
  if (i >= 0 && bytes.size() == 16)
    blocks_[i] = bytes;
}

void ControllerSim::setPointRecord(const QByteArray &fields) {
  if (fields.size() == 16)
    point_ = fields;
}

// The velocity value already carries the gear ratio (the tool derives it as
// 300 × list value / gear ratio), so it is taken as the output speed w in
// 0.1°/s. One index turns 360° / division. Acceleration a (3 fastest) ramps
// up and down in t_r = 0.1 s × (4 - a). Trapezoid: t = angle / w + t_r; when
// the ramps alone cover the angle, triangle: t = 2 √(angle · t_r / w).
// Capped at 30 s so that a very slow setting still ends.
int ControllerSim::indexMoveMs(const QByteArray &fields) {
  const double speed = std::max(1, hexValue(fields.mid(0, 4))) / 10.0;
  const int accel = std::clamp(hexValue(fields.mid(4, 1)), 1, 3);
  const double angle = 360.0 / std::max(1, hexValue(fields.mid(12, 2)));
  const double ramp = 0.1 * (4 - accel);
  const double s = angle >= speed * ramp ? angle / speed + ramp : 2.0 * std::sqrt(angle * ramp / speed);
  return std::min(MaxMoveMs, int(std::lround(s * 1000.0)));
}

void ControllerSim::setInputCycle(int ms) {
  if (ms > 0)
    inputTimer_.start(ms);
  else
    inputTimer_.stop();
}

void ControllerSim::startMove(int ms) {
  status_ = 0;
  moveTimer_.start(std::max(0, int(std::lround(ms * timeScale_))));
}

void ControllerSim::handleLine(const QByteArray &line) {
  log_.append(line);
  Q_EMIT lineReceived(line);
  if (line.isEmpty())
    return;
  const int lineChars = int(line.size()) + 2;
  // A refused or lost command is not carried out; the other faults spoil
  // only the reply of a command that was.
  const Fault f = takeFault(line);
  switch (f) {
  case Fault::Vanish:
    queueVanish();
    return;
  case Fault::ErrorReply:
    queue(errorReply(errorKey_), lineChars);
    return;
  default:
    break;
  }
  const QByteArray reply = execute(line);
  if (f == Fault::NoReply)
    return;
  queue(spoil(reply, f), lineChars, f == Fault::Split, f == Fault::Late ? LateNs : 0);
}

void ControllerSim::setChaos(double rate, quint32 seed) {
  chaosRate_ = std::clamp(rate, 0.0, 1.0);
  chaos_.seed(seed);
  chaosFaults_.clear();
}

ControllerSim::Fault ControllerSim::takeFault(const QByteArray &line) {
  QByteArray key;
  for (auto it = faults_.cbegin(); it != faults_.cend(); ++it)
    if (it.key() != "*" && line.startsWith(it.key()) && it.key().size() > key.size())
      key = it.key();
  if (key.isEmpty() && faults_.contains("*"))
    key = "*";
  if (key.isEmpty() && chaosRate_ > 0) {
    static constexpr Fault Kinds[] = {Fault::NoReply,    Fault::Late,    Fault::WrongLength,
                                      Fault::WrongEcho,  Fault::ErrorReply, Fault::Garbage,
                                      Fault::Split,      Fault::Vanish};
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    if (draw(chaos_) >= chaosRate_)
      return Fault::None;
    const Fault f = Kinds[std::uniform_int_distribution<int>(0, 7)(chaos_)];
    chaosFaults_.append(f);
    Q_EMIT faultInjected(f);
    return f;
  }
  if (key.isEmpty())
    return Fault::None;
  FaultEntry &e = faults_[key];
  const Fault kind = e.kind;
  if (e.times > 0 && --e.times == 0)
    faults_.remove(key);
  return kind;
}

QByteArray ControllerSim::spoil(const QByteArray &reply, Fault f) {
  QByteArray r = reply;
  const qsizetype body = r.size() - 2; // without CR LF
  switch (f) {
  case Fault::WrongLength:
    r.insert(body, '0');
    break;
  case Fault::WrongEcho:
    r[1] = 'X';
    r[2] = 'X';
    break;
  case Fault::Garbage: {
    // Keep the echo (with block digit or point number); without data, the
    // echo itself is hit.
    qsizetype keep = r.startsWith("0RD") ? 4 : r.startsWith("0RP") ? 5 : 3;
    if (keep >= body)
      keep = 1;
    for (qsizetype i = keep; i < body; ++i)
      r[i] = 'Z';
    break;
  }
  case Fault::TwoLines:
    r += "0RA1\r\n";
    break;
  default:
    break;
  }
  return r;
}

QByteArray ControllerSim::errorReply(const QByteArray &key) {
  lastErrorCode_ = codeOfKey(key);
  return "0%%" + lastErrorCode_ + "\r\n";
}

QByteArray ControllerSim::execute(const QByteArray &line) {
  const QByteArray code = line.left(3);
  const QByteArray data = line.mid(3);
  const QByteArray echo = line + "\r\n";

  if (code == "0RA" || code == "0AR" || code == "0RV" || code == "0%C" || code == "0WE" || code == "0WF" ||
      code == "0RI" || code == "0RO") {
    if (!data.isEmpty())
      return errorReply(KeyFormat);
    if (code == "0RA")
      return "0RA" + QByteArray::number(status_) + "\r\n";
    if (code == "0RV")
      return "0RV" + version_ + "SIM\r\n";
    if (code == "0RI")
      return "0RI" + QByteArray::number(input_, 16).toUpper().rightJustified(3, '0') + "\r\n";
    if (code == "0RO")
      return "0RO" + QByteArray::number(output_, 16).toUpper().rightJustified(2, '0') + "\r\n";
    if (code == "0%C") {
      return "0%C" + codeOfKey(alarmKey_) + lastErrorCode_ + "00000\r\n";
    }
    if (code == "0AR") {
      if (status_ == 3) {
        status_ = 1;
        output_ = (output_ & ~OutAlm) | OutRdy;
      }
      alarmKey_.clear();
      return echo;
    }
    if (status_ == 0)
      return errorReply(KeyMoving);
    if (code == "0WE") {
      for (int i = 0; i < 3; ++i)
        if (!staged_[i].isEmpty())
          blocks_[i] = std::exchange(staged_[i], QByteArray());
    } else if (!staged_[3].isEmpty()) {
      blocks_[3] = std::exchange(staged_[3], QByteArray());
    }
    return echo;
  }

  if (code == "0CM") {
    if (data.size() != 1 || data[0] < '0' || data[0] > '9')
      return errorReply(KeyFormat);
    const int mode = data[0] - '0';
    if (mode > 7)
      return errorReply(KeyRange);
    if (mode != CheckMode)
      commMode_ = mode;
    return echo;
  }

  if (code == "0RP") {
    if (data.size() != 2 || !isHex(data))
      return errorReply(KeyFormat);
    if (hexValue(data) != 1)
      return errorReply(KeyRange);
    return "0RP" + data + point_ + "\r\n";
  }

  if (code == "0WP") {
    if (data.size() != 18 || !isHex(data))
      return errorReply(KeyFormat);
    const QByteArray fields = data.mid(2).toUpper();
    const int accel = hexValue(fields.mid(4, 1));
    if (hexValue(data.left(2)) != 1 || hexValue(fields.left(4)) == 0 || accel < 1 || accel > 3 ||
        hexValue(fields.mid(11, 1)) > 1)
      return errorReply(KeyRange);
    if (status_ == 0)
      return errorReply(KeyMoving);
    pointStaged_ = fields;
    return "0WP" + data.left(2) + "\r\n";
  }

  if (code == "0WA") {
    if (data.size() != 4 || !isHex(data))
      return errorReply(KeyFormat);
    if (data != "0101")
      return errorReply(KeyRange);
    if (status_ == 0)
      return errorReply(KeyMoving);
    if (!pointStaged_.isEmpty() && !dropWrites_)
      point_ = std::exchange(pointStaged_, QByteArray());
    return "0WA\r\n";
  }

  if (code == "0RD") {
    if (data.size() != 1 || !isHex(data))
      return errorReply(KeyFormat);
    const int i = blockIndex(data[0]);
    if (i < 0)
      return errorReply(KeyRange);
    return "0RD" + data + blocks_[i].toHex().toUpper() + "\r\n";
  }

  if (code == "0WD") {
    if (data.size() != 33 || !isHex(data))
      return errorReply(KeyFormat);
    const int i = blockIndex(data[0]);
    if (i < 0)
      return errorReply(KeyRange);
    if (status_ == 0)
      return errorReply(KeyMoving);
    if (!dropWrites_)
      staged_[i] = QByteArray::fromHex(data.mid(1));
    return "0WD" + data.left(1) + "\r\n";
  }

  if (code == "0MP") {
    if (data.size() != 2 || !isHex(data))
      return errorReply(KeyFormat);
    const int point = hexValue(data);
    if (point > 1)
      return errorReply(KeyRange);
    if (status_ == 3)
      return errorReply(KeyAlarm);
    if (status_ == 0)
      return errorReply(KeyMoving);
    homingMove_ = point == 0;
    startMove(point == 0 ? HomingMs : indexMoveMs(point_));
    return echo;
  }

  if (code == "0WO") {
    if (data.size() != 2 || !isHex(data))
      return errorReply(KeyFormat);
    if (commMode_ != MonitorMode)
      return errorReply(KeyNotMonitor);
    output_ = hexValue(data);
    return echo;
  }

  return errorReply(KeyUndefined);
}

void ControllerSim::queue(const QByteArray &bytes, int lineChars, bool split, qint64 lateNs) {
  const qint64 now = clock_.nsecsElapsed();
  qint64 t = now + lateNs;
  if (paced_)
    t = std::max(now + lineChars * CharNs, wireFreeNs_);
  const auto add = [&](const QByteArray &piece) {
    if (paced_)
      t += piece.size() * CharNs;
    out_.append({piece, t});
  };
  if (split) {
    for (char c : bytes)
      add(QByteArray(1, c));
  } else {
    add(bytes);
  }
  if (paced_)
    wireFreeNs_ = t;
  if (!outTimer_.isActive())
    armOutput();
}

void ControllerSim::queueVanish() {
  const qint64 now = clock_.nsecsElapsed();
  out_.append({{}, paced_ ? std::max(now, wireFreeNs_) : now, true});
  if (!outTimer_.isActive())
    armOutput();
}

void ControllerSim::armOutput() {
  if (out_.isEmpty()) {
    outTimer_.stop();
    return;
  }
  const qint64 wait = out_.front().dueNs - clock_.nsecsElapsed();
  outTimer_.start(wait);
}

void ControllerSim::emitNext() {
  if (out_.isEmpty())
    return;
  if (out_.front().dueNs > clock_.nsecsElapsed()) {
    armOutput();
    return;
  }
  const Outgoing o = out_.takeFirst();
  // Armed before emitting: a receiver may wait in a nested event loop.
  armOutput();
  if (o.vanish)
    Q_EMIT vanish();
  else
    Q_EMIT send(o.bytes);
}
