// A serial device server's stream as the network line takes it apart. The
// first byte splits the rest into pieces; whatever arrives, data escaped
// by the sender come out as they went in, and negotiation never answers an
// answer.
#include "telnet.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace telnet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  const int piece = 1 + data[0] % 16;
  const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

  Parser parser;
  Options options;
  options.request(WILL, ComPort);
  QList<Event> events;
  for (qsizetype i = 0; i < bytes.size(); i += piece)
    parser.feed(bytes.mid(i, piece), &events);
  for (const Event &e : events) {
    const QByteArray answer = options.answer(e, {Binary, SuppressGoAhead, ComPort});
    // Once agreed, the same request again changes nothing and is not answered.
    const bool agreed = answer.size() == 3 && (answer[1] == WILL || answer[1] == DO);
    if (agreed && !options.answer(e, {Binary, SuppressGoAhead, ComPort}).isEmpty()) {
      std::fputs("an agreed option answered twice\n", stderr);
      std::abort();
    }
    if (e.verb == SB && e.option == ComPort)
      comPortValue(e.payload);
  }

  // The same bytes as data: escaped, framed between negotiations, they come back whole.
  QByteArray line = bytes;
  line.replace("\r", ""); // a CR's NUL is the peer's to drop
  Parser back;
  QList<Event> none;
  const QByteArray framed = command(DO, Binary) + escape(line) + comPort(SetBaudRate, 9600);
  QByteArray got;
  for (qsizetype i = 0; i < framed.size(); i += piece)
    got += back.feed(framed.mid(i, piece), &none);
  if (got != line || none.size() != 2) {
    std::fputs("escaped data did not come back whole\n", stderr);
    std::abort();
  }
  return 0;
}
