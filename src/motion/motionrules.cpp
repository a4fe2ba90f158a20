#include "motionrules.h"

namespace motion {

entry::KeyResult TimerKey(int key, const QString &text, int selLength) {
  if (key == 8)
    return {8, false};
  if (key == 13)
    return {0, true};
  if (text.size() >= 3 && selLength != text.size())
    return {0, false};
  if (key < '0' || key > '9')
    return {0, false};
  return {key, false};
}

QString TimerChange(const QString &text) {
  return !text.isEmpty() && text.toInt() > MaxDwell ? QString() : text;
}

QString TimerLeave(const QString &text) {
  return text.isEmpty() || text.toInt() == 0 ? QStringLiteral("0") : text;
}

int DwellMs(const QString &text) {
  bool ok = false;
  const int v = text.toInt(&ok);
  return ok && v > 0 && v <= MaxDwell ? v * 100 : 0;
}

} // namespace motion
