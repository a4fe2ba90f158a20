#include "errorlist.h"
#include "basic.h"
#include "sequentialfile.h"

#include <QFile>

bool ErrorList::load(const QString &path) {
  entries.clear();
  ErrListCount = 0;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return false;
  SequentialFields fields(QString::fromUtf8(file.readAll()));
  QString count;
  if (!fields.read(&count))
    return false;
  ErrListCount = int(Val(count));
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
