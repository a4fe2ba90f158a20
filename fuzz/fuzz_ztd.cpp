// The position data file (.ztd) as the program opens it.
#include "fakedialogs.h"
#include "fuzzcommon.h"
#include "module1.h"
#include "positionfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const FuzzEnv &env = fuzzEnv();
  const QString path = env.file("in.ztd");
  writeBytes(path, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
  Module1 m;
  m.useLanguege(2);
  FakeDialogs dialogs;
  PosiRow row;
  if (positionfile::ReadPosiDataFile(path, row, dialogs, m) != 0) {
    // Refused: the operator is told, and nothing was taken over.
    FUZZ_CHECK(!dialogs.shown.isEmpty());
    FUZZ_CHECK(row == PosiRow{});
    return 0;
  }
  FUZZ_CHECK(dialogs.shown.isEmpty());
  // A file that loads saves to bytes that load to the same values.
  writeBytes(path, positionfile::Format(row));
  PosiRow again;
  FUZZ_CHECK(positionfile::ReadPosiDataFile(path, again, dialogs, m) == 0);
  for (int col : {1, 2, 5, 6, 7})
    FUZZ_CHECK(again[std::size_t(col)] == row[std::size_t(col)]);
  return 0;
}
