#include "entryrules.h"
#include "basic.h"

#include <algorithm>

namespace entry {

namespace {
bool isDigitKey(int key) { return key >= '0' && key <= '9'; }
} // namespace

KeyResult DigitKeyFilter(int key, const QString &text, int selLength, int limit) {
  if (key == KeyBack)
    return {key, false};
  // The length test comes first, so Enter in a full box stays put.
  if (selLength != text.size() && text.size() > limit)
    return {0, false};
  if (key == KeyEnter)
    return {0, true};
  return {isDigitKey(key) ? key : 0, false};
}

KeyResult DenryuKeyFilter(int key, const QString &text, bool DotSeen, int selStart, int selLength,
                          QString *outOfRange) {
  if (key == KeyBack)
    return {key, false};
  selStart = std::clamp(selStart, 0, int(text.size()));
  selLength = std::clamp(selLength, 0, int(text.size()) - selStart);
  // Typing over a selection replaces it, its point included.
  const QString kept = QString(text).remove(selStart, selLength);
  DotSeen = DotSeen && kept.contains(u'.');
  if (key == KeyDot) {
    if (!DotSeen)
      return {key, false};
    key = 0;
  }
  if (kept.size() > 20)
    key = 0;
  const QString after = QString(kept).insert(selStart, QChar(key));
  // The controller keeps 0.1 A steps: a second decimal would not arrive.
  if (isDigitKey(key) && after.section(u'.', 1).size() > 1)
    key = 0;
  if (key == KeyEnter)
    return {0, true};
  if (!isDigitKey(key))
    return {0, false};
  // Refused, not emptied: the operator keeps what was typed and is told why.
  if (Val(after) > DenryuMax) {
    if (outOfRange)
      *outOfRange = after;
    return {0, false};
  }
  return {key, false};
}

QString DigitBoxLeave(const QString &text, bool zeroIsEmpty) {
  const QString EditText = ::StripZeros(text);
  if (zeroIsEmpty && EditText == u"0")
    return QString();
  return EditText;
}

DenryuText DenryuChange(const QString &text) {
  QString t = text == u"." ? QStringLiteral("0.") : text;
  const double v = Val(t);
  if (v < 0.0 || v > DenryuMax || t.section(u'.', 1).size() > 1)
    t.clear();
  return {t, t.contains(u'.')};
}

std::optional<QString> FixedCurrent(const QString &size) {
  if (size == u"28")
    return QStringLiteral("1.5");
  if (size == u"35")
    return QStringLiteral("1.6");
  if (size == u"42")
    return QStringLiteral("1.2");
  return std::nullopt;
}

} // namespace entry
