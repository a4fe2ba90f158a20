#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// kov-t6-cli's commands, each described once: the usage text, each
// command's --help, the dispatch, the batch plan's check, the file a run
// names, its JSON name and whether it is recorded all come from here.
namespace cli {

enum Exit { Done = 0, Differs = 1, Usage = 2, Failed = 3 };

struct Option {
  QString name;  // "--count", "-o"
  QString value; // the value's name ("N"); empty for an option without one
  // Why a value is refused ("" when it is taken).
  std::function<QString(const QString &)> check = {};
  QString help = {}; // the usage's description, lines joined by "\n"
};

// A command's words as given: options may stand before or after the others.
struct Args {
  QStringList words; // the words that are not options, after the command and its verb
  QList<std::pair<QString, QString>> options; // in the order given

  bool has(const QString &option) const;
  // The option's value; the last one when it was given more than once.
  QString value(const QString &option) const;
  QStringList values(const QString &option) const;
  bool operator==(const Args &) const = default;
};

class Cli;

struct Command {
  enum class File { None, Output, FirstWord }; // the file a run names: -o's, or its first word

  QString name;     // "params write": the JSON command and the record's
  QString synopsis; // the usage line after the program's name
  QString summary;  // the usage's description, lines joined by "\n"
  int minWords = 0, maxWords = 0;
  QList<Option> options = {};
  QStringList required = {};   // one of these options must be given
  QStringList unattended = {}; // one of these in a batch, which runs unattended
  File file = File::None;
  bool recorded = false; // a read, write or verification: a line of --record
  bool kept = false;     // kept in the line's history
  bool inPlan = true;    // a batch plan may hold it
  bool pages = false;    // draws pages: needs fonts, hence a GUI application
  bool framed = true;    // ends with its JSON object and record line
  // Rules between the options and words ("" when they hold).
  std::function<QString(const Args &)> check = {};
  int (Cli::*run)(const Args &) = nullptr;
};

const QList<Command> &Commands();

// The command the words start with and how many words name it; null with
// `why` when there is none.
const Command *Find(const QStringList &words, qsizetype *named, QString *why);

// The rest of a run's words against the command's rules.
std::optional<Args> Parse(const Command &command, const QStringList &rest, QString *why);

// The words of one batch step: "" when they can run unattended.
QString CheckStep(const QStringList &words);

// --since: a date (its midnight) or a date and time, local.
QDateTime SinceOf(const QString &text);

// The file a run names, when it names one.
QString FileOf(const Command &command, const Args &args);

// The options before (or after) the command that are the run's, not the
// command's: the device, the language, the output.
const QList<Option> &GlobalOptions();

QString Overview();
// COMMAND --help; empty for an unknown command.
QString Help(const QString &command);

} // namespace cli
