#pragma once
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The commissioning record: a CSV file a line a transfer, appended whole.
namespace record {

// A run's result as the record writes it: "OK", "NG" (differences) or "failed".
inline QString Outcome(int exit) {
  return exit == 0 ? QStringLiteral("OK") : exit == 1 ? QStringLiteral("NG") : QStringLiteral("failed");
}

// The line of a command's run from its JSON object (command, file,
// controller_version, exit, differences) and the port it used.
QStringList Fields(const QJsonObject &run, const QString &port);

// Appends one line of `fields` (time, port, version, command, file, result,
// differences) after the header a new record starts with; the file is
// written whole and checked, so a full disk never costs the earlier lines.
bool Append(const QString &path, const QStringList &fields, QString *reason);

} // namespace record
