// The parameter file (.pmt) as the program opens it: parsed, then taken
// over into a parameter set.
#include "fuzzcommon.h"
#include "parameterfile.h"
#include "wholefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzEnv();
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const parafile::Parsed parsed = parafile::Parse(wholefile::Text(bytes));
  if (parsed.result != parafile::ReadResult::Read)
    return 0;
  FUZZ_CHECK(parsed.fault == parafile::Fault::None);
  const auto set = parafile::CopyParaFileArray(parsed.list, ParametaRecord{});
  if (!set)
    return 0;
  // A file that loads saves to bytes that load to the same set.
  const parafile::Parsed again = parafile::Parse(wholefile::Text(parafile::Format(*set)));
  FUZZ_CHECK(again.result == parafile::ReadResult::Read);
  const auto setAgain = parafile::CopyParaFileArray(again.list, ParametaRecord{});
  FUZZ_CHECK(setAgain && *setAgain == *set);
  return 0;
}
