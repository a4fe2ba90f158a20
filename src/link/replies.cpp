#include "replies.h"
#include "errorlist.h"

#include <algorithm>

namespace replies {

std::optional<qint16> Status(const QByteArray &reply) {
  if (reply.size() < 4 || !reply.startsWith("0RA"))
    return std::nullopt;
  const char c = reply.at(3);
  if (c < '0' || c > '3')
    return std::nullopt;
  return qint16(c - '0');
}

std::optional<QByteArray> Version(const QByteArray &reply) {
  const QByteArray v = reply.mid(3, 3);
  if (!reply.startsWith("0RV") || v.size() != 3)
    return std::nullopt;
  for (char c : v)
    if (c < '0' || c > '9')
      return std::nullopt;
  return v;
}

bool AllHex(const QByteArray &digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  });
}

std::optional<std::array<int, 3>> HexDigits(const QByteArray &reply, int from, int count) {
  std::array<int, 3> values{};
  if (count < 0 || count > 3 || from < 0 || reply.size() < from + count)
    return std::nullopt;
  for (int i = 0; i < count; ++i) {
    const char c = reply.at(from + i);
    if (c >= '0' && c <= '9')
      values[std::size_t(i)] = c - '0';
    else if (c >= 'A' && c <= 'F')
      values[std::size_t(i)] = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      values[std::size_t(i)] = c - 'a' + 10;
    else
      return std::nullopt;
  }
  return values;
}

QString ErrorKey(const QByteArray &reply) {
  const QByteArray code = ErrorList::Code(reply);
  return QString::fromLatin1(code.mid(0, 1) + code.mid(2, 1));
}

} // namespace replies
