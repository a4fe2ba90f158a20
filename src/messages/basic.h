#pragma once
#include <QString>

// Numeric value of the leading number of a text, 0 when there is none:
// the rule every Tag, list value and field of the data files is read by.
// Leading blanks are skipped.
double Val(const QString &text);

// Drops the leading "0" characters; an empty result becomes "0"
// (007 gives 7, 000 gives 0, "" gives 0). The leave rules of the number fields.
QString StripZeros(const QString &text);

// Rounds to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double v);
