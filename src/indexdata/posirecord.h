#pragma once
#include <QByteArray>
#include <QVariant>
#include <array>
#include <optional>

// Row 0 of the position table, the one point this system uses: columns 1 to 8
// (velocity value, acceleration, two controller fields, direction, division
// count, gear ratio, an empty column). An empty cell counts as 0.
using PosiRow = std::array<QVariant, 10>;

// The 18-character position record of point 1: "01" then columns 1 to 7 in
// 4, 1, 1, 5, 1, 2 and 2 upper-case hex digits ("X" where a value does not fit).
QByteArray EncodePosiRecord(const PosiRow &row);

// The fields of a "0RP" reply (23 characters, CR LF included) into columns 1
// to 7; nothing when a field character is not a hex digit.
std::optional<PosiRow> DecodePosiReply(const QByteArray &reply);
