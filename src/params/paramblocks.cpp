#include "paramblocks.h"
#include "basic.h"
#include "hexpad.h"
#include "replies.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace paramblocks {

namespace {

// Parameter numbers the record does not hold as such.
constexpr int SizeNo = 37, TypeNo = 38, ModelNo = 39, MotorNo = 36, ActCodeNo = 12;

struct Field {
  int param;
  int bytes;
  const char *name;
};

constexpr Field Block0[] = {
    {1, 2, "HomeOffset"},  {2, 1, "Aux02"},        {3, 1, "HomeVel"},
    {4, 1, "HomeOfsVel"},  {5, 1, "Aux05"},        {13, 1, "PgFunc"},
    {14, 2, "PgAlarm"},    {24, 1, "AutoHome"},    {23, 1, "PgCheckTimer"},
    {25, 1, "LsSerchTimer"}, {28, 1, "Aux28"},     {26, 1, "EmgLogic"},
    {27, 1, "AlarmAutoClear"}, {29, 1, "Reserved0"}};
constexpr Field Block1[] = {
    {11, 1, "AxisKind"},   {7, 1, "Aux07"},        {8, 2, "AxisPulse"},
    {6, 3, "Aux06"},       {10, 1, "Aux10"},       {9, 1, "AxisAutoDrv"},
    {SizeNo, 1, "ActSize"}, {TypeNo, 1, "ActType"}, {ModelNo, 2, "ActModelNo"},
    {MotorNo, 1, "MotorCode"}, {30, 1, "Reserved1"}, {31, 1, "Reserved2"}};
constexpr Field Block2[] = {
    {15, 1, "HomeOut"},    {21, 1, "Aux21"},       {22, 1, "Aux22"},
    {16, 1, "Aux16"},      {17, 3, "Aux17"},       {18, 3, "Aux18"},
    {19, 1, "InpLimit"},   {20, 1, "Aux20"},       {32, 1, "Reserved3"},
    {33, 1, "Reserved4"},  {34, 1, "Reserved5"},   {35, 1, "Reserved6"}};

std::span<const Field> fieldsOf(int block) {
  switch (block) {
  case 0: return Block0;
  case 1: return Block1;
  default: return Block2;
  }
}

// Whole numbers as the controller's fields take them: a half to even.
qint64 whole(double v) {
  if (std::isnan(v))
    return -1;
  return qint64(std::clamp(RoundHalfEven(v), -1e15, 1e15));
}

// An "E" size ("E35") travels as its number with the type letter "E".
bool eSize(const ParametaRecord &p) { return p.ActSize.startsWith(u'E'); }

qint64 valueOf(const ParametaRecord &p, int param) {
  switch (param) {
  case 1: return whole(p.HomeOffset);
  case 2: return p.Aux02;
  case 3: return p.HomeVel;
  case 4: return p.HomeOfsVel;
  case 5: return p.Aux05;
  case 6: return whole(p.Aux06);
  case 7: return p.Aux07;
  case 8: return p.AxisPulse;
  case 9: return p.AxisAutoDrv;
  case 10: return p.Aux10;
  case 11: return p.AxisKind;
  case 13: return p.PgFunc;
  case 14: return whole(p.PgAlarm);
  case 15: return p.HomeOut;
  case 16: return p.Aux16;
  case 17: return whole(p.Aux17);
  case 18: return whole(p.Aux18);
  case 19: return p.InpLimit;
  case 20: return p.Aux20;
  case 21: return p.Aux21;
  case 22: return p.Aux22;
  case 23: return p.PgCheckTimer;
  case 24: return p.AutoHome;
  case 25: return p.LsSerchTimer;
  case 26: return p.EmgLogic;
  case 27: return p.AlarmAutoClear;
  case 28: return p.Aux28;
  case MotorNo: return MotorCode(p.ActSize, p.ActType);
  case SizeNo: return whole(Val(eSize(p) ? p.ActSize.mid(1) : p.ActSize));
  case TypeNo:
    if (eSize(p))
      return 'E';
    return p.ActType.isEmpty() ? -1 : qint64(p.ActType.at(0).unicode());
  case ModelNo: return p.ActModelNo;
  default: return p.Reserved[std::size_t(param - 29)]; // 29..35
  }
}

bool fits(qint64 value, int bytes) { return value >= 0 && value < (qint64(1) << (8 * bytes)); }

} // namespace

qint64 WrittenValue(const ParametaRecord &p, int param) { return valueOf(p, param); }

QByteArray EncodeBlock(int block, const ParametaRecord &p) {
  QByteArray data = QByteArray::number(block);
  for (const Field &f : fieldsOf(block))
    data += HexPad(qint32(valueOf(p, f.param)), 2 * f.bytes);
  return data;
}

QStringList FieldsTooWide(const ParametaRecord &p) {
  QStringList names;
  for (int block = 0; block < 3; ++block)
    for (const Field &f : fieldsOf(block))
      if (!fits(valueOf(p, f.param), f.bytes))
        names << QString::fromLatin1(f.name);
  return names;
}

bool IsBlockReply(const QByteArray &reply, char blockDigit) {
  if (reply.size() < 4 + 2 * BlockBytes || !reply.startsWith("0RD") || reply.at(3) != blockDigit)
    return false;
  return replies::AllHex(reply.mid(4, 2 * BlockBytes));
}

std::optional<ParametaList> DecodeBlocks(const std::array<QByteArray, 3> &replies) {
  ParametaList a;
  a.fill(QString());
  for (int block = 0; block < 3; ++block) {
    const QByteArray &r = replies[std::size_t(block)];
    if (!IsBlockReply(r, char('0' + block)))
      return std::nullopt;
    qsizetype pos = 4;
    for (const Field &f : fieldsOf(block)) {
      a[std::size_t(f.param)] = r.mid(pos, 2 * f.bytes).toInt(nullptr, 16);
      pos += 2 * f.bytes;
    }
  }
  a[SizeNo] = QString::number(a[SizeNo].toInt());
  a[TypeNo] = QString(QChar(a[TypeNo].toInt()));
  a[ActCodeNo] = a[SizeNo].toString() + a[TypeNo].toString() +
                 QStringLiteral("%1").arg(a[ModelNo].toInt(), 3, 10, QChar(u'0'));
  return a;
}

std::optional<int> CurrentCount(const QByteArray &reply7) {
  if (!IsBlockReply(reply7, '7'))
    return std::nullopt;
  return reply7.mid(16, 4).toInt(nullptr, 16);
}

QString CurrentText(int count) { return QString::number(count * 10.0 / 1875.0, 'f', 1); }

std::optional<int> CountOfCurrent(const QString &text) {
  const double x = Val(text) * 1875.0 / 10.0;
  // The count has four hex digits; nothing else can go into the block.
  if (!std::isfinite(x) || x < -0.5 || x > 0xFFFF + 0.5)
    return std::nullopt;
  // A decimal current lands on a half only up to the binary error of its text.
  const double below = std::floor(x);
  int count = int(std::lround(x));
  if (std::abs(x - below - 0.5) < 1e-9)
    count = int(std::fmod(below, 2.0) == 0.0 ? below : below + 1);
  if (count < 0 || count > 0xFFFF)
    return std::nullopt;
  return count;
}

QByteArray Block7WithCount(const QByteArray &block7Digits, int count) {
  return block7Digits.left(12) + HexPad(count, 4) + block7Digits.mid(16, 16);
}

} // namespace paramblocks
