// The three lists beside the program: the error list, the device list and
// the standard parameter list. The first byte chooses the list.
#include "errorlist.h"
#include "fuzzcommon.h"
#include "stdlists.h"
#include "wholefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzEnv();
  if (size == 0)
    return 0;
  const QByteArray bytes = restOf(data, size);
  switch (data[0] % 3) {
  case 0: {
    ErrorList list;
    const bool ok = list.parse(bytes);
    FUZZ_CHECK(list.entries.size() <= ErrorList::MaxEntries);
    if (ok) {
      FUZZ_CHECK(list.entries.size() == list.ErrListCount);
      for (const ErrorList::Entry &e : list.entries)
        FUZZ_CHECK(list.find(e.key) != nullptr);
    }
    break;
  }
  case 1: {
    const auto list = stdlists::ParseDevList(wholefile::Text(bytes));
    if (list) {
      FUZZ_CHECK(!list->records.isEmpty() && list->records.size() <= stdlists::MaxDevices);
      FUZZ_CHECK(list->sizes.size() <= stdlists::MaxSizes);
      for (const stdlists::DevRecord &r : list->records)
        FUZZ_CHECK(list->sizes.contains(r.sizePart) && r.modelNo >= 0);
    }
    break;
  }
  default: {
    const stdlists::StdParaData list = stdlists::ParseStdParaList(wholefile::Text(bytes));
    if (list.error == stdlists::StdListError::None)
      for (std::size_t r = 0; r < stdlists::StdRowsUsed; ++r)
        FUZZ_CHECK(list.group[r][1].isValid());
    break;
  }
  }
  return 0;
}
