#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

// The controller's parameter set: one field per parameter number. Fields
// without a control on the page carry fixed values or what was last loaded.
struct ParametaRecord {
  double HomeOffset = 0;     // 1
  qint16 Aux02 = 0;          // 2
  qint16 HomeVel = 0;        // 3
  qint16 HomeOfsVel = 0;     // 4
  qint16 Aux05 = 0;          // 5
  double Aux06 = 0;          // 6
  qint16 Aux07 = 0;          // 7
  qint32 AxisPulse = 0;      // 8
  qint16 AxisAutoDrv = 0;    // 9
  qint16 Aux10 = 0;          // 10
  qint16 AxisKind = 0;       // 11
  QString ActCode;           // 12: ActSize & ActType & ActModelNo in three digits
  qint16 PgFunc = 0;         // 13
  double PgAlarm = 0;        // 14
  qint16 HomeOut = 0;        // 15
  qint16 Aux16 = 0;          // 16
  double Aux17 = 0;          // 17
  double Aux18 = 0;          // 18
  qint16 InpLimit = 0;       // 19
  qint16 Aux20 = 0;          // 20
  qint16 Aux21 = 0;          // 21
  qint16 Aux22 = 0;          // 22
  qint16 PgCheckTimer = 0;   // 23
  qint16 AutoHome = 0;       // 24
  qint16 LsSerchTimer = 0;   // 25
  qint16 EmgLogic = 0;       // 26
  qint16 AlarmAutoClear = 0; // 27
  qint16 Aux28 = 0;          // 28
  std::array<qint16, 7> Reserved{}; // 29..35
  // 36, MotorCode, is derived when writing.
  QString ActSize;           // 37: "20" for the special actuator "SP"
  QString ActType;           // 38
  qint16 ActModelNo = 0;     // 39

  bool operator==(const ParametaRecord &) const = default;
};

// Parameter N at index N; 0 and 40 carry none. Controller reads and
// parameter files hand their values over through it.
using ParametaList = std::array<QVariant, 41>;

// The actuator chosen in the device dialog, or taken in from the page.
struct DeviceChoice {
  QString Size;
  QString Type;
  qint16 ModelNo = 0;

  bool operator==(const DeviceChoice &) const = default;
};

namespace params {
// Text and number fields convert as the controller's values did: rounded to
// the nearest integer (a half to the even one) and held within the type, so
// an oversized value fails the range check instead of wrapping round.
qint16 CInt(double v);
qint32 CLng(double v);
// A number, or the leading number of a text.
double NumberOf(const QVariant &v);
} // namespace params

// What the parameter page puts in the fields it shows no box for, and in
// the special group while it is locked (`special` false); size SP as "20",
// type "L", model 100, and the ActCode composed of them. A set taken from
// the page, a file or the standard list is written with these values.
ParametaRecord PageFixedValues(ParametaRecord p, bool special);

// Parameter 36 from the size and type letter.
qint16 MotorCode(const QString &actSize, const QString &actType);

// One field of the range check: its value and limits (a text field that
// must not be empty has limits 0 to 0), and whether it passes.
struct ParamRange {
  QString name;
  double value, lo, hi;
  bool ok;
};
// Every checked field in the order of the check; Aux10's limits follow Aux07.
QList<ParamRange> ParametaRanges(const ParametaRecord &p);
// The names of the fields out of range; every rule is evaluated.
QStringList ParametaRangeFailures(const ParametaRecord &p);
// 0 when every checked field is in range, 1 otherwise.
qint16 ParametaValueCheck(const ParametaRecord &p);

// A controller read's list into the record; also the encoder
// flag and the device mode the device dialog reads.
void CopyParaArray(const ParametaList &a, ParametaRecord &p, bool &DevPgUse,
                   bool &DevPgEditable);
