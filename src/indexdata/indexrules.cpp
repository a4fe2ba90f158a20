#include "indexrules.h"
#include "basic.h"

#include <cmath>
#include <limits>

bool IsNumeric(const QString &text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(v);
}

namespace {
template <typename T> std::optional<T> toWhole(const QString &text) {
  if (!IsNumeric(text))
    return std::nullopt;
  const double v = RoundHalfEven(text.trimmed().toDouble());
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
    return std::nullopt;
  return T(v);
}
} // namespace

std::optional<qint16> ToInt16(const QString &text) { return toWhole<qint16>(text); }
std::optional<qint32> ToInt32(const QString &text) { return toWhole<qint32>(text); }

IndexKey IndexKeyFilter(int key, const QString &text) {
  constexpr int Backspace = 8, Enter = 13;
  if (key == Backspace)
    return {key, false};
  if (text == QLatin1String("100") || text.size() > 3)
    return {0, false};
  if (key == Enter)
    return {0, true};
  if (key < '0' || key > '9')
    return {0, false};
  return {key, false};
}

IndexChange IndexFieldChange(const QString &text) {
  if (!IsNumeric(text))
    return {QString(), false, false};
  if (!text.isEmpty() && text.trimmed().toDouble() > IndexEntryLimit)
    return {QString(), true, true};
  return {text, true, false};
}

// An empty field left as it was has lost nothing: it is not marked.
IndexLeave DivisionLeave(const QString &text) {
  if (text.isEmpty())
    return {QString(), false};
  const QString t = StripZeros(text);
  if (t == QLatin1String("1") || t.startsWith(u'0'))
    return {QString(), true};
  return {t, false};
}

IndexLeave GearLeave(const QString &text) {
  if (text.isEmpty())
    return {QString(), false};
  const QString t = StripZeros(text);
  if (t.startsWith(u'0'))
    return {QString(), true};
  return {t, false};
}

std::optional<QString> VelocityFromList(const QString &listText, const QString &gearText) {
  if (gearText.isEmpty() || gearText == QLatin1String("0"))
    return std::nullopt;
  const qint16 list = ToInt16(listText).value_or(0);
  const qint16 product = qint16(list * 300); // at most 9000
  const double gear = Val(gearText);
  if (gear == 0)
    return std::nullopt;
  return QString::number(qint64(RoundHalfEven(product / gear)));
}

std::optional<int> ListValueFromVelocity(const QString &velocity, const QString &gear,
                                         ListRule rule) {
  const auto v = ToInt16(velocity);
  if (!v || !IsNumeric(gear))
    return std::nullopt;
  const double q = RoundHalfEven(*v * gear.trimmed().toDouble());
  if (q < std::numeric_limits<qint16>::min() || q > std::numeric_limits<qint16>::max())
    return std::nullopt;
  const int r = int(RoundHalfEven(q / 300.0));
  if (r >= 31)
    return 30;
  if (rule == ListRule::AfterRead && r == 0)
    return 1;
  if (r < 1)
    return std::nullopt;
  return r;
}
