#include "record.h"
#include "wholefile.h"

namespace record {

namespace {
QString field(QString s) {
  if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n'))
    s = u'"' + s.replace(u'"', QStringLiteral("\"\"")) + u'"';
  return s;
}
} // namespace

bool Append(const QString &path, const QStringList &fields, QString *reason) {
  QStringList quoted;
  for (const QString &f : fields)
    quoted << field(f);
  const wholefile::Read old = wholefile::ReadFile(path);
  QByteArray bytes = old.ok() ? old.bytes : QByteArray("time,port,version,command,file,result,differences\n");
  if (!bytes.isEmpty() && !bytes.endsWith('\n'))
    bytes += '\n';
  bytes += quoted.join(u',').toUtf8() + '\n';
  return wholefile::Save(path, bytes, reason);
}

} // namespace record
