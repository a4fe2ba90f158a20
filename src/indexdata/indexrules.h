#pragma once
#include <QString>
#include <optional>

// Entry rules and arithmetic of the operation data fields, as plain functions.

// A text that reads as a number as a whole (blanks around it allowed).
bool IsNumeric(const QString &text);
// Whole numbers as the fields convert them (ties to even); nothing when the
// text is no number or the value does not fit.
std::optional<qint16> ToInt16(const QString &text);
std::optional<qint32> ToInt32(const QString &text);

// Key filter of the division and gear fields: the key to pass on (0 refuses
// it), and whether it was an Enter that ends the entry.
struct IndexKey {
  int key;
  bool enter;
};
IndexKey IndexKeyFilter(int key, const QString &text);

// The largest division or gear ratio the fields take.
constexpr int IndexEntryLimit = 100;

// Change rule: a text that is no number is removed; a value above 100 too,
// and then the field turns grey.
struct IndexChange {
  QString text;
  bool number;     // the background returns to normal
  bool aboveLimit; // removed for being above 100: grey background
};
IndexChange IndexFieldChange(const QString &text);

// Leave rules: leading zeros go; a division of 1 or 0, a gear ratio of 0, is
// removed (grey background).
struct IndexLeave {
  QString text;
  bool removed;
};
IndexLeave DivisionLeave(const QString &text);
IndexLeave GearLeave(const QString &text);

// Velocity value for the controller from the velocity list value and the
// gear ratio: list value x 300 / gear, ties to even. Nothing when the gear
// text is "" or "0".
std::optional<QString> VelocityFromList(const QString &listText, const QString &gearText);

// The velocity list value back from a velocity value and a gear ratio; nothing
// when there is no list item for it or the product does not fit 16 bits.
enum class ListRule { AfterRead, AfterOpen };
std::optional<int> ListValueFromVelocity(const QString &velocity, const QString &gear,
                                         ListRule rule);
