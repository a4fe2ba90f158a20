#include "parametaset.h"
#include "basic.h"

#include <cmath>
#include <limits>

namespace {

template <typename T> T roundedInto(double v) {
  if (std::isnan(v))
    return 0;
  const double r = std::nearbyint(v); // the default rounding: a half to even
  if (r <= double(std::numeric_limits<T>::min()))
    return std::numeric_limits<T>::min();
  if (r >= double(std::numeric_limits<T>::max()))
    return std::numeric_limits<T>::max();
  return T(r);
}

} // namespace

namespace params {

qint16 CInt(double v) { return roundedInto<qint16>(v); }
qint32 CLng(double v) { return roundedInto<qint32>(v); }

double NumberOf(const QVariant &v) {
  if (v.typeId() == QMetaType::QString)
    return Val(v.toString());
  return v.toDouble();
}

} // namespace params

using namespace params;

ParametaRecord PageFixedValues(ParametaRecord p, bool special) {
  p.Aux02 = 1;
  p.Aux05 = 1;
  p.Aux07 = 2;
  p.Aux10 = 20;
  p.AxisKind = 2;
  if (p.ActSize == u"SP")
    p.ActSize = QStringLiteral("20"); // how the controller knows "SP"
  p.ActType = QStringLiteral("L");
  p.ActModelNo = 100;
  p.ActCode = p.ActSize + p.ActType + QStringLiteral("%1").arg(p.ActModelNo, 3, 10, QChar(u'0'));
  p.Aux16 = 0;
  p.Aux20 = 10;
  p.Aux21 = 0;
  p.Aux22 = 0;
  // Locked, the special group keeps its factory values whatever it shows.
  if (!special) {
    p.PgCheckTimer = 125;
    p.AutoHome = 0;
    p.LsSerchTimer = 0;
    p.EmgLogic = 1;
    p.AlarmAutoClear = 0;
  }
  p.Aux28 = 0;
  p.Reserved.fill(0);
  return p;
}

qint16 MotorCode(const QString &actSize, const QString &actType) {
  if (actSize == u"28")
    return 0;
  if (actSize == u"35")
    return 1;
  if (actSize == u"42")
    return actType == u"D" ? 5 : 2;
  if (actSize == u"20")
    return 3;
  if (actSize == u"E35")
    return 4;
  return 0;
}

QList<ParamRange> ParametaRanges(const ParametaRecord &p) {
  QList<ParamRange> ranges;
  auto in = [&ranges](const char *name, double v, double lo, double hi) {
    ranges << ParamRange{QString::fromLatin1(name), v, lo, hi, v >= lo && v <= hi};
  };
  auto filled = [&ranges](const char *name, const QString &s) {
    ranges << ParamRange{QString::fromLatin1(name), 0, 0, 0, !s.isEmpty()};
  };
  in("HomeOffset", p.HomeOffset, 1, 65535);
  in("Aux02", p.Aux02, 1, 255);
  in("HomeVel", p.HomeVel, 1, 60);
  in("HomeOfsVel", p.HomeOfsVel, 1, 60);
  in("Aux05", p.Aux05, 1, 60);
  in("Aux06", p.Aux06, 0, 262143);
  in("Aux07", p.Aux07, 1, 255);
  in("AxisPulse", p.AxisPulse, 1, 65535);
  in("AxisAutoDrv", p.AxisAutoDrv, 0, 1);
  // The limit of Aux10 follows Aux07; above 8 the controller takes any value.
  if (p.Aux07 <= 2)
    in("Aux10", p.Aux10, 1, 50);
  else if (p.Aux07 <= 6)
    in("Aux10", p.Aux10, 1, 150);
  else if (p.Aux07 <= 8)
    in("Aux10", p.Aux10, 1, 200);
  in("AxisKind", p.AxisKind, 0, 4);
  filled("ActCode", p.ActCode);
  filled("ActSize", p.ActSize);
  filled("ActType", p.ActType);
  in("ActModelNo", p.ActModelNo, 0, 500);
  in("PgFunc", p.PgFunc, 0, 1);
  in("PgAlarm", p.PgAlarm, 0, 65535);
  in("HomeOut", p.HomeOut, 0, 3);
  in("Aux21", p.Aux21, 0, 1);
  in("Aux22", p.Aux22, 0, 100);
  in("Aux16", p.Aux16, 0, 2);
  in("Aux17", p.Aux17, 0, 262143);
  in("Aux18", p.Aux18, 0, 262143);
  in("PgCheckTimer", p.PgCheckTimer, 0, 255);
  in("AutoHome", p.AutoHome, 0, 1);
  in("LsSerchTimer", p.LsSerchTimer, 0, 255);
  in("EmgLogic", p.EmgLogic, 0, 1);
  in("AlarmAutoClear", p.AlarmAutoClear, 0, 1);
  in("Aux28", p.Aux28, 0, 1);
  for (qint16 r : p.Reserved)
    in("Reserved", r, 0, 255);
  return ranges;
}

QStringList ParametaRangeFailures(const ParametaRecord &p) {
  QStringList failed;
  for (const ParamRange &r : ParametaRanges(p))
    if (!r.ok)
      failed << r.name;
  return failed;
}

qint16 ParametaValueCheck(const ParametaRecord &p) {
  return ParametaRangeFailures(p).isEmpty() ? 0 : 1;
}

void CopyParaArray(const ParametaList &a, ParametaRecord &p, bool &DevPgUse,
                   bool &DevPgEditable) {
  auto i16 = [&a](int n) { return CInt(NumberOf(a[n])); };
  p.HomeOffset = NumberOf(a[1]);
  p.Aux02 = i16(2);
  p.HomeVel = i16(3);
  p.HomeOfsVel = i16(4);
  p.Aux05 = i16(5);
  p.Aux06 = NumberOf(a[6]);
  p.Aux07 = i16(7);
  p.AxisPulse = CLng(NumberOf(a[8]));
  p.AxisAutoDrv = i16(9);
  p.Aux10 = i16(10);
  p.AxisKind = i16(11);
  p.ActCode = a[12].toString();
  p.PgFunc = i16(13);
  p.PgAlarm = NumberOf(a[14]);
  p.HomeOut = i16(15);
  p.Aux16 = i16(16);
  p.Aux17 = NumberOf(a[17]);
  p.Aux18 = NumberOf(a[18]);
  p.InpLimit = i16(19);
  p.Aux20 = i16(20);
  p.Aux21 = i16(21);
  p.Aux22 = i16(22);
  p.PgCheckTimer = i16(23);
  p.AutoHome = i16(24);
  p.LsSerchTimer = i16(25);
  p.EmgLogic = i16(26);
  p.AlarmAutoClear = i16(27);
  p.Aux28 = i16(28);
  for (int w = 0; w < 7; ++w)
    p.Reserved[w] = i16(29 + w);
  p.ActSize = a[37].toString();
  p.ActType = a[38].toString();
  p.ActModelNo = i16(39);

  DevPgUse = p.PgFunc > 0;
  DevPgEditable = p.AxisKind == 0 || p.AxisKind == 1;
}
