#include "record.h"
#include "wholefile.h"

#include <QDateTime>
#include <QJsonArray>

namespace record {

namespace {
QString field(QString s) {
  if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n'))
    s = u'"' + s.replace(u'"', QStringLiteral("\"\"")) + u'"';
  return s;
}
} // namespace

QStringList Fields(const QJsonObject &run, const QString &port) {
  const int exit = run["exit"].toInt(3);
  // Differences are counted where a verification compared anything.
  const bool counted = run["command"].toString() == u"params verify" && (exit == 0 || exit == 1);
  return {QDateTime::currentDateTime().toString(Qt::ISODate),
          port,
          run["controller_version"].toString(),
          run["command"].toString(),
          run["file"].toString(),
          Outcome(exit),
          counted ? QString::number(run["differences"].toArray().size()) : QString()};
}

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
