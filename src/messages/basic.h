#pragma once
#include <QString>
#include <optional>

// Numeric value of the leading number of a text, 0 when there is none:
// the rule every Tag, list value and field of the data files is read by.
// Leading blanks are skipped.
double Val(const QString &text);

// Drops the leading "0" characters; an empty result becomes "0"
// (007 gives 7, 000 gives 0, "" gives 0). The leave rules of the number fields.
QString StripZeros(const QString &text);

// Rounds to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double v);

// A value rounded as RoundHalfEven when it lies from `lo` to `hi`; nothing
// for a value outside, infinite or not a number. Every conversion of a
// number from outside into an integer goes through here.
std::optional<qint64> WholeIn(double v, qint64 lo, qint64 hi);
