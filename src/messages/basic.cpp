#include "basic.h"

#include <cmath>

double Val(const QString &text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
    ++i;
  QString num;
  if (i < n && (text[i] == u'+' || text[i] == u'-'))
    num += text[i++];
  bool digits = false, dot = false;
  for (; i < n; ++i) {
    const QChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      num += c;
      digits = true;
    } else if (c == u'.' && !dot) {
      num += c;
      dot = true;
    } else {
      break;
    }
  }
  if (!digits)
    return 0.0;
  // An exponent counts only when digits follow it.
  if (i + 1 < n && (text[i] == u'E' || text[i] == u'e')) {
    qsizetype j = i + 1;
    QString exp = QStringLiteral("e");
    if (text[j] == u'+' || text[j] == u'-')
      exp += text[j++];
    const qsizetype start = j;
    while (j < n && text[j] >= u'0' && text[j] <= u'9')
      exp += text[j++];
    if (j > start)
      num += exp;
  }
  return num.toDouble();
}

QString StripZeros(const QString &text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == u'0')
    ++i;
  const QString rest = text.mid(i);
  return rest.isEmpty() ? QStringLiteral("0") : rest;
}

double RoundHalfEven(double v) { return std::nearbyint(v); }

std::optional<qint64> WholeIn(double v, qint64 lo, qint64 hi) {
  if (!std::isfinite(v))
    return std::nullopt;
  const double r = RoundHalfEven(v);
  if (r < double(lo) || r > double(hi))
    return std::nullopt;
  return qint64(r);
}
