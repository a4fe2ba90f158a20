#include "hexpad.h"

namespace {
QByteArray pad(QByteArray digits, int width) {
  if (digits.size() > width)
    return "X";
  return QByteArray(width - digits.size(), '0') + digits;
}
} // namespace

QByteArray HexPad(qint32 value, int width) {
  // A negative value is written as its 32-bit two's complement.
  return pad(QByteArray::number(quint32(value), 16).toUpper(), width);
}

QByteArray DecPad(qint32 value, int width) { return pad(QByteArray::number(value), width); }
