#include "stdlists.h"
#include "basic.h"
#include "sequentialfile.h"

#include <limits>

namespace stdlists {

namespace {

// A count item: a whole number, not negative.
bool readCount(SequentialFields &f, int *n) {
  QString item;
  if (!f.read(&item))
    return false;
  bool ok = false;
  *n = item.trimmed().toInt(&ok);
  return ok && *n >= 0;
}

} // namespace

QStringList ActSizes() {
  return {QStringLiteral("28"), QStringLiteral("35"), QStringLiteral("42"), QStringLiteral("SP")};
}

std::optional<DevListData> ParseDevList(const QString &text) {
  SequentialFields f(text);
  int n = 0;
  if (!readCount(f, &n) || n < 1 || n > MaxDevices)
    return std::nullopt;
  DevListData d;
  for (int i = 0; i < n; ++i) {
    DevRecord r;
    if (!f.read(&r.code))
      return std::nullopt;
    for (int k = 0; k < 4; ++k) {
      QString item;
      if (!f.read(&item))
        return std::nullopt;
      r.further << item;
    }
    r.sizePart = r.code.left(3);
    r.typeLetter = r.code.mid(3, 1);
    const auto model = WholeIn(Val(r.code.mid(5, 3)), 0, std::numeric_limits<qint16>::max());
    if (!model)
      return std::nullopt;
    r.modelNo = qint16(*model);
    d.records << r;
  }
  for (const DevRecord &r : d.records)
    if (!d.sizes.contains(r.sizePart))
      d.sizes << r.sizePart;
  if (d.sizes.size() > MaxSizes)
    return std::nullopt;
  return d;
}

StdParaData ParseStdParaList(const QString &text) {
  StdParaData d;
  SequentialFields f(text);
  QString model, key;
  int sections = 0;
  if (!f.read(&model) || !f.read(&key)) {
    d.error = StdListError::Defective;
    return d;
  }
  if (model != u"ZT-M5" || key != u"ZT-CMNPRM") {
    d.error = StdListError::WrongModel;
    return d;
  }
  d.error = StdListError::Defective;
  if (!readCount(f, &sections))
    return d;
  static const QString names[] = {QStringLiteral("PG"), QStringLiteral("ETC"),
                                  QStringLiteral("SPECIAL")};
  int row = 0;
  for (int s = 0; s < sections; ++s) {
    QString name;
    int records = 0, items = 0;
    if (!f.read(&name) || name != (s < 3 ? names[s] : QString()))
      return d;
    if (!readCount(f, &records) || !readCount(f, &items))
      return d;
    // A list the table cannot hold is as unusable as a broken one.
    if (items > StdColumns || records > StdRows - row)
      return d;
    for (int r = 0; r < records; ++r, ++row)
      for (int k = 0; k < items; ++k) {
        QString value;
        if (!f.read(&value))
          return d;
        d.group[row][k] = value;
      }
  }
  for (int r = 0; r < StdRowsUsed; ++r)
    if (!d.group[r][1].isValid())
      return d;
  // Rows 0 and 1 also carry the values used with an encoder.
  if (!d.group[0][2].isValid() || !d.group[1][2].isValid())
    return d;
  d.error = StdListError::None;
  return d;
}

ParametaRecord StdCommonFor(const QString &size) {
  ParametaRecord c;
  c.HomeOffset = 30;
  c.Aux02 = 30;
  c.HomeVel = 10;
  c.HomeOfsVel = 10;
  c.Aux05 = 10;
  c.Aux06 = 65535;
  c.Aux07 = 2;
  c.AxisPulse = 400;
  c.AxisAutoDrv = 0;
  c.Aux10 = 20;
  c.AxisKind = 2;
  c.ActCode = size + QStringLiteral("L100");
  return c;
}

std::optional<ParametaRecord> StandardSet(const ParametaRecord &c, const StdGroupTable &group,
                                          bool encoder, ParametaRecord p) {
  using params::CInt;
  using params::NumberOf;
  p.HomeOffset = c.HomeOffset;
  p.Aux02 = c.Aux02;
  p.HomeVel = c.HomeVel;
  p.HomeOfsVel = c.HomeOfsVel;
  p.Aux05 = c.Aux05;
  p.Aux06 = c.Aux06;
  p.Aux07 = c.Aux07;
  p.AxisPulse = c.AxisPulse;
  p.AxisAutoDrv = c.AxisAutoDrv;
  p.Aux10 = c.Aux10;
  p.AxisKind = c.AxisKind;
  p.ActCode = c.ActCode;

  const int pg = encoder ? 2 : 1;
  auto i16 = [&group](int row, int column = 1) { return CInt(NumberOf(group[row][column])); };
  auto num = [&group](int row, int column = 1) { return NumberOf(group[row][column]); };
  p.PgFunc = i16(0, pg);
  p.PgAlarm = num(1, pg);
  p.HomeOut = i16(2);
  p.Aux16 = i16(3);
  p.Aux17 = num(4);
  p.Aux18 = num(5);
  p.InpLimit = i16(6);
  p.Aux20 = i16(7);
  p.Aux21 = i16(8);
  p.Aux22 = i16(9);
  p.PgCheckTimer = i16(10);
  p.AutoHome = i16(11);
  p.LsSerchTimer = i16(12);
  p.EmgLogic = i16(13);
  p.AlarmAutoClear = i16(14);
  p.Aux28 = i16(15);

  if (p.ActCode.size() != 6)
    return std::nullopt;
  p.ActSize = p.ActCode.left(2);
  p.ActType = p.ActCode.mid(2, 1);
  p.ActModelNo = CInt(Val(p.ActCode.mid(3, 3)));
  return p;
}

} // namespace stdlists
