#include "parameterreport.h"
#include "messagetable.h"

namespace {
QString number(double v) { return QString::number(v, 'g', 12); }

// A value of 0 to n-1 as the text of its message; any other value as it is.
QString named(const Messages &msg, int value, std::initializer_list<int> messages) {
  if (value >= 0 && value < int(messages.size()))
    return msg.text(*(messages.begin() + value));
  return QString::number(value);
}
} // namespace

QList<std::pair<QString, QString>> ParameterReportLines(const ParametaRecord &p,
                                                        const Messages &msg) {
  const QString size = p.ActCode.left(2);
  return {
      {"OFFSET", number(p.HomeOffset)},
      {"VEL", QString::number(p.HomeVel)},
      {"OFSVEL", QString::number(p.HomeOfsVel)},
      {"PULSE", QString::number(p.AxisPulse)},
      {"AUTO DRIVE", named(msg, p.AxisAutoDrv, {641, 642})},
      {"MOTOR", size == QLatin1String("20") ? QStringLiteral("SP") : size},
      {"FUNCTION", named(msg, p.PgFunc, {652, 653})},
      {"ALM", number(p.PgAlarm)},
      {"HOME OUT", named(msg, p.HomeOut, {657, 658, 659, 660})},
      {"IN-P WID", QString::number(p.InpLimit)},
      {"PG TIMER", QString::number(p.PgCheckTimer)},
      {"AUTO HOME", named(msg, p.AutoHome, {655, 656})},
      {"LS TIMER", QString::number(p.LsSerchTimer)},
      {"EMG LOGIC", named(msg, p.EmgLogic, {691, 690})},
      {"ALM1 CLEAR", named(msg, p.AlarmAutoClear, {655, 656})},
  };
}
