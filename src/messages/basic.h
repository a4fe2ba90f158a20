#pragma once
#include <QString>

// Numeric value of the leading number of a text, 0 when there is none:
// the rule every Tag, list value and field of the data files is read by.
// Leading blanks are skipped.
double Val(const QString &text);
