#pragma once
#include <QByteArray>

// Fixed-width upper-case hex with leading zeros; "X" when it does not fit.
QByteArray HexPad(qint32 value, int width);
// Fixed-width decimal with zeros in front of the whole text (minus sign
// included); "X" when it does not fit.
QByteArray DecPad(qint32 value, int width);
