#pragma once
#include <QString>
#include <optional>

// What the parameter boxes accept while the operator types, and what they
// make of their text when they change or are left.
namespace entry {

constexpr int KeyBack = 8;
constexpr int KeyEnter = 13;
constexpr int KeyDot = 46;

// The key to pass on (0 refuses it), and whether the focus moves on.
struct KeyResult {
  int key = 0;
  bool focusNext = false;
  bool operator==(const KeyResult &) const = default;
};

// A digit box: refuses keys once it holds more than `limit` characters
// (unless its whole text is selected).
KeyResult DigitKeyFilter(int key, const QString &text, int selLength, int limit);

// The motor current box: digits and one decimal point, at most 2.0. A key
// replaces the `selLength` characters selected from `selStart` (or goes in
// at the caret `selStart`), and is judged by the text it makes; a key
// refused for the value it would make leaves that text in `outOfRange`.
KeyResult DenryuKeyFilter(int key, const QString &text, bool DotSeen, int selStart, int selLength,
                          QString *outOfRange = nullptr);
inline constexpr double DenryuMax = 2.0;

// The text a digit box keeps when the focus leaves it.
QString DigitBoxLeave(const QString &text, bool zeroIsEmpty);

// The motor current box after a change: a lone point becomes "0.", a value
// outside 0..2.0 empties it; DotSeen follows the resulting text.
struct DenryuText {
  QString text;
  bool DotSeen = false;
};
DenryuText DenryuChange(const QString &text);

// The fixed current of a standard actuator size; none for "SP" or others.
std::optional<QString> FixedCurrent(const QString &size);

} // namespace entry
