#pragma once
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// kov-t6-cli batch: one plan of steps run on many lines at once.
namespace batch {

struct Line {
  int row;              // in the plan file, from 1
  QString line;         // a device path, a tcp:// or rfc2217:// URL, or a port number
  QList<QStringList> steps; // each a command with its words
};

// The plan: a "line,steps" header, then a row a line, the steps separated
// by ";". Blank rows and rows starting with "#" are skipped. A row that
// cannot be run names its row and column in `error`, and nothing runs.
std::optional<QList<Line>> ParsePlan(const QByteArray &csv, QString *error, const QStringList &named = {});

struct Options {
  QString plan;
  int jobs = 0; // 0: every line at once
  bool json = false;
  QString record;
  QStringList childOptions; // --lang, --timeout-scale, passed to each step
  int langBase = 0;
  QStringList named; // the names of the register's lines
};

// Runs the plan; the exit status: 0 every line passed, 1 a verification or
// diff found differences, 3 a step failed or the batch was stopped.
int Run(const Options &options);

} // namespace batch
