#include "posirecord.h"
#include "hexpad.h"
#include "replies.h"

QByteArray EncodePosiRecord(const PosiRow &row) {
  static constexpr int Widths[] = {4, 1, 1, 5, 1, 2, 2};
  QByteArray record = "01";
  for (int col = 1; col <= 7; ++col)
    record += HexPad(qint32(row[col].toLongLong()), Widths[col - 1]);
  return record;
}

std::optional<PosiRow> DecodePosiReply(const QByteArray &reply) {
  // Positions 6 to 21 of the reply carry the fields.
  const QByteArray fields = reply.mid(5, 16);
  if (fields.size() != 16 || !replies::AllHex(fields))
    return std::nullopt;
  auto hex = [&fields](int from, int len) { return fields.mid(from, len).toUInt(nullptr, 16); };
  PosiRow row;
  row[1] = int(qint16(quint16(hex(0, 4)))); // 8000 to FFFF are negative
  row[2] = int(hex(4, 1));
  row[3] = int(hex(5, 1));
  row[4] = int(hex(6, 5));
  row[5] = int(hex(11, 1));
  row[6] = int(hex(12, 2));
  row[7] = int(hex(14, 2));
  return row;
}
