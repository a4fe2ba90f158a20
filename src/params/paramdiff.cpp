#include "paramdiff.h"
#include "messagetable.h"
#include "paramblocks.h"

#include <algorithm>

namespace paramdiff {

namespace {

constexpr const char *Groups[GroupCount] = {"HOME", "AXIS", "PG", "ETC", "SPECIAL", "RESERVED"};

struct Param {
  int number;
  int group;
  const char *name;
  // Messages of the list values 0, 1, ...; none for plain numbers.
  std::initializer_list<int> texts;
};

// Names as the verification and the report give them; the parameters
// without a control by their number.
const Param Params[] = {
    {1, 0, "OFFSET", {}},      {2, 0, "No.2", {}},        {3, 0, "VEL", {}},
    {4, 0, "OFSVEL", {}},      {5, 0, "No.5", {}},        {6, 1, "No.6", {}},
    {7, 1, "No.7", {}},        {8, 1, "PULSE", {}},       {9, 1, "AUTO DRIVE", {641, 642}},
    {10, 1, "No.10", {}},      {11, 1, "No.11", {}},      {12, 1, "MOTOR", {}},
    {13, 2, "FUNCTION", {652, 653}}, {14, 2, "ALM", {}},
    {15, 3, "HOME OUT", {657, 658, 659, 660}}, {16, 3, "No.16", {}}, {17, 3, "No.17", {}},
    {18, 3, "No.18", {}},      {19, 3, "IN-P WID", {}},   {20, 3, "No.20", {}},
    {21, 3, "No.21", {}},      {22, 3, "No.22", {}},      {23, 4, "PG TIMER", {}},
    {24, 4, "AUTO HOME", {663, 664}}, {25, 4, "LS TIMER", {}},
    {26, 4, "EMG LOGIC", {691, 690}}, {27, 4, "ALM1 CLEAR", {692, 693}},
    {28, 4, "No.28", {}},      {29, 5, "Reserved0", {}},  {30, 5, "Reserved1", {}},
    {31, 5, "Reserved2", {}},  {32, 5, "Reserved3", {}},  {33, 5, "Reserved4", {}},
    {34, 5, "Reserved5", {}},  {35, 5, "Reserved6", {}}};

constexpr int ActCodeNo = 12, SizeNo = 37, TypeNo = 38, ModelNo = 39;

QString actuatorCode(const ParametaRecord &p) {
  using paramblocks::WrittenValue;
  const qint64 type = WrittenValue(p, TypeNo);
  return QString::number(WrittenValue(p, SizeNo)) + (type > 0 ? QString(QChar(char16_t(type))) : QString()) +
         QStringLiteral("%1").arg(WrittenValue(p, ModelNo), 3, 10, QChar(u'0'));
}

QString shown(const Param &param, qint64 v, const Messages &msg) {
  if (v >= 0 && v < qint64(param.texts.size()))
    return msg.text(*(param.texts.begin() + v));
  return QString::number(v);
}

} // namespace

QString GroupName(int group) { return QString::fromLatin1(Groups[group]); }

QList<Row> Compare(const ParametaRecord &a, const ParametaRecord &b, const Messages &msg) {
  QList<Row> rows;
  for (const Param &param : Params) {
    Row r{param.group, param.number, QString::fromLatin1(param.name), {}, {}, false};
    if (param.number == ActCodeNo) {
      r.a = actuatorCode(a);
      r.b = actuatorCode(b);
      r.differs = r.a != r.b;
    } else {
      const qint64 va = paramblocks::WrittenValue(a, param.number);
      const qint64 vb = paramblocks::WrittenValue(b, param.number);
      r.a = shown(param, va, msg);
      r.b = shown(param, vb, msg);
      r.differs = va != vb;
    }
    rows << r;
  }
  return rows;
}

int Differences(const QList<Row> &rows) {
  return int(std::count_if(rows.begin(), rows.end(), [](const Row &r) { return r.differs; }));
}

QString Lines(const QList<Row> &rows, bool all) {
  QString out;
  for (const Row &r : rows) {
    if (!r.differs && !all)
      continue;
    out += GroupName(r.group) + u' ' + r.name + QStringLiteral(": ") + r.a;
    if (r.differs)
      out += QStringLiteral(" \u2192 ") + r.b;
    out += u'\n';
  }
  return out;
}

} // namespace paramdiff
