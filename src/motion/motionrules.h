#pragma once
#include "entryrules.h"

#include <QString>

// The dwell box (txtTimer): up to three digits, 0 to 655, in units of 100 ms.
namespace motion {

constexpr int MaxDwell = 655;

// A key into the box holding `text` with `selLength` characters selected.
entry::KeyResult TimerKey(int key, const QString &text, int selLength);
// A value above 655 empties the box.
QString TimerChange(const QString &text);
// An empty box or 0 reads "0" once the operator leaves it.
QString TimerLeave(const QString &text);
// The dwell in milliseconds; 0 for "0" or an empty text (no dwell).
int DwellMs(const QString &text);

} // namespace motion
