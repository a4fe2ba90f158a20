#include "errorlist.h"
#include "sequentialfile.h"

#include "wholefile.h"

#include <algorithm>

bool ErrorList::load(const QString &path) {
  const wholefile::Read file = wholefile::ReadFile(path);
  if (!file.ok()) {
    entries.clear();
    ErrListCount = 0;
    return false;
  }
  return parse(file.bytes);
}

bool ErrorList::parse(const QByteArray &bytes) {
  entries.clear();
  ErrListCount = 0;
  SequentialFields fields(wholefile::TextOrShiftJis(bytes));
  QString count;
  if (!fields.read(&count))
    return false;
  // A count that is no whole number makes the list as unusable as a short one.
  bool number = false;
  const qint64 n = count.trimmed().toLongLong(&number);
  if (!number || n < 0)
    return false;
  ErrListCount = int(std::min<qint64>(n, MaxEntries + 1));
  for (int i = 1; i <= ErrListCount; ++i) {
    Entry e;
    if (i > MaxEntries || !fields.read(&e.key) || !fields.read(&e.text))
      return false;
    entries << e;
  }
  return true;
}

namespace {
bool isNumber(const QString &s) {
  bool ok = false;
  s.trimmed().toLongLong(&ok);
  return ok;
}
} // namespace

const ErrorList::Entry *ErrorList::find(const QString &key) const {
  for (const Entry &e : entries) {
    if (e.key == key)
      return &e;
    if (isNumber(e.key) && isNumber(key) && e.key.trimmed().toLongLong() == key.toLongLong())
      return &e;
  }
  return nullptr;
}

QByteArray ErrorList::Code(const QByteArray &reply) {
  QByteArray line = reply;
  while (line.endsWith('\n') || line.endsWith('\r'))
    line.chop(1);
  return line.mid(3, 3);
}
