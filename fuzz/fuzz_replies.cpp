// The decoders of the controller's replies. The first byte chooses the
// decoder; a decoder must never take a character the protocol does not allow.
#include "errorlist.h"
#include "fuzzcommon.h"
#include "paramblocks.h"
#include "posirecord.h"
#include "replies.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
bool upperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool anyHex(const QByteArray &s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return upperHex(c) || (c >= 'a' && c <= 'f'); });
}

const ErrorList &shippedList() {
  static ErrorList list = [] {
    ErrorList l;
    l.load(QCoreApplication::applicationDirPath() + QStringLiteral("/erroreng.lst"));
    return l;
  }();
  return list;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzEnv();
  if (size == 0)
    return 0;
  const QByteArray reply = restOf(data, size);
  switch (data[0] % 6) {
  case 0:
    if (const auto row = DecodePosiReply(reply)) {
      const QByteArray fields = reply.mid(5, 16);
      FUZZ_CHECK(fields.size() == 16 && anyHex(fields));
      // The record written back is the one read (velocities from 8000 up
      // read as negative and cannot be written back).
      const QByteArray record = EncodePosiRecord(*row);
      if (!record.contains('X'))
        FUZZ_CHECK(record == "01" + fields.toUpper());
    }
    break;
  case 1: {
    // Three block lines, one after another, each ending in a 0xFF.
    std::array<QByteArray, 3> lines;
    const QList<QByteArray> parts = reply.split('\xff');
    for (std::size_t i = 0; i < 3 && i < std::size_t(parts.size()); ++i)
      lines[i] = parts[qsizetype(i)];
    if (paramblocks::DecodeBlocks(lines))
      for (std::size_t i = 0; i < 3; ++i)
        FUZZ_CHECK(lines[i].startsWith("0RD" + QByteArray::number(int(i))) &&
                   anyHex(lines[i].mid(4, 32)) && lines[i].size() >= 36);
    if (const auto count = paramblocks::CurrentCount(reply)) {
      FUZZ_CHECK(*count >= 0 && *count <= 0xFFFF && anyHex(reply.mid(4, 32)));
      FUZZ_CHECK(paramblocks::Block7WithCount(reply.mid(4, 32), *count).size() == 32);
    }
    break;
  }
  case 2:
    if (const auto status = replies::Status(reply))
      FUZZ_CHECK(reply.startsWith("0RA") && *status >= 0 && *status <= 3 && reply.at(3) == '0' + *status);
    break;
  case 3:
    if (const auto version = replies::Version(reply))
      FUZZ_CHECK(version->size() == 3 && std::all_of(version->begin(), version->end(),
                                                     [](char c) { return c >= '0' && c <= '9'; }));
    break;
  case 4:
    for (int count : {2, 3})
      if (const auto digits = replies::HexDigits(reply, 3, count)) {
        FUZZ_CHECK(anyHex(reply.mid(3, count)) && reply.mid(3, count).size() == count);
        for (int v : *digits)
          FUZZ_CHECK(v >= 0 && v < 16);
      }
    break;
  default: {
    const QString key = replies::ErrorKey(reply);
    FUZZ_CHECK(key.size() <= 2);
    if (const ErrorList::Entry *e = shippedList().find(key))
      FUZZ_CHECK(shippedList().find(e->key) == e);
    break;
  }
  }
  return 0;
}
