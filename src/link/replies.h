#pragma once
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// The data of the controller's short replies, taken only when every
// character is one the protocol allows; a reply they refuse is a wrong reply.
namespace replies {

// "0RA" and the status digit 0 to 3.
std::optional<qint16> Status(const QByteArray &reply);
// "0RV" and the three digits of the version.
std::optional<QByteArray> Version(const QByteArray &reply);
// Every character a hex digit, upper or lower case.
bool AllHex(const QByteArray &digits);
// The values of `count` (at most 3) hex digits from position `from`, as the
// I/O words "0RI" (3) and "0RO" (2) carry them.
std::optional<std::array<int, 3>> HexDigits(const QByteArray &reply, int from, int count);
// The key of an error reply ("0%%" and three code characters): the first
// and the third of them.
QString ErrorKey(const QByteArray &reply);

} // namespace replies
