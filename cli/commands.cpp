#include "commands.h"
#include "cli.h"

#include "iomonitor.h"
#include "motionrules.h"
#include "stdlists.h"

#include <cmath>

namespace cli {

bool Args::has(const QString &option) const {
  return std::any_of(options.begin(), options.end(), [&](const auto &o) { return o.first == option; });
}

QString Args::value(const QString &option) const {
  const QStringList all = values(option);
  return all.isEmpty() ? QString() : all.last();
}

QStringList Args::values(const QString &option) const {
  QStringList all;
  for (const auto &[name, value] : options)
    if (name == option)
      all << value;
  return all;
}

namespace {

// A value check: `ok` judges the text, `why` is said when it does not hold.
std::function<QString(const QString &)> Rule(std::function<bool(const QString &)> ok, const QString &why) {
  return [ok = std::move(ok), why](const QString &v) { return ok(v) ? QString() : why; };
}

bool WholeFrom(const QString &v, int lo, int hi) {
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= lo && n <= hi;
}

bool RealIn(const QString &v, double lo, double hi, bool openLo = false) {
  bool ok = false;
  const double d = v.toDouble(&ok);
  return ok && std::isfinite(d) && (openLo ? d > lo : d >= lo) && d <= hi;
}

const QString SizeRefused = QStringLiteral("takes a SIZE: 28, 35, 42 or SP");
bool IsSize(const QString &v) { return stdlists::ActSizes().contains(v); }

const Option Output{"-o", "FILE"};
const Option Pdf{"-o", "OUT.pdf"};
const Option Current{"--current", "A", Rule([](const QString &v) {
                       return RealIn(v, 0, 2.0, true) && v.section(u'.', 1).size() <= 1;
                     }, QStringLiteral("--current takes 0.1 to 2.0 (amperes, one decimal)"))};

QString DiffRule(const Args &a) {
  const int sides = int(a.words.size() == 2) + int(a.has("--standard")) + int(a.has("--controller"));
  if (sides != 1 || a.words.size() > 2)
    return QStringLiteral("params diff takes A.pmt and one of B.pmt, --standard SIZE, --controller");
  if (a.has("--encoder") && !a.has("--standard"))
    return QStringLiteral("--encoder belongs to --standard");
  return {};
}

// Entry numbers, the words of the history commands.
QString IdRule(const Args &a) {
  for (const QString &w : a.words)
    if (!WholeFrom(w, 1, INT_MAX))
      return QStringLiteral("an entry is named by its number, not '%1'").arg(w);
  return {};
}

// The plant's memory: the drift check, restores, named lines, the history.
QList<Command> MemoryTable() {
  using F = Command::File;
  const Option since{"--since", "DATE", Rule([](const QString &v) { return SinceOf(v).isValid(); },
                                             QStringLiteral("--since takes a date, 2026-12-09 or 2026-12-09T14:30"))};
  return {
      {.name = "check", .synopsis = "check",
       .summary = "the controller's parameters and index data against the set\nlast written to the line (or approved); exit 1 on drift",
       .recorded = true, .kept = true, .run = &Cli::check},
      {.name = "restore", .synopsis = "restore ID",
       .summary = "write a history entry's set back to the controller (a safe write)", .minWords = 1, .maxWords = 1,
       .recorded = true, .kept = true, .check = IdRule, .run = &Cli::restore},
      {.name = "lines add", .synopsis = "lines add NAME (--device PATH | --port N) [--note TEXT]",
       .summary = "name a line of the plant: its port number or device", .minWords = 1, .maxWords = 1,
       .options = {{"--note", "TEXT"}}, .inPlan = false, .run = &Cli::linesAdd},
      {.name = "lines list", .synopsis = "lines list", .summary = "the named lines", .inPlan = false,
       .run = &Cli::linesList},
      {.name = "lines remove", .synopsis = "lines remove NAME", .summary = "forget a named line (its history stays)",
       .minWords = 1, .maxWords = 1, .inPlan = false, .run = &Cli::linesRemove},
      {.name = "history list", .synopsis = "history [list] [--since DATE]",
       .summary = "the line's entries, newest first (all lines without\n--line, --device or --port)",
       .options = {since}, .inPlan = false, .run = &Cli::historyList},
      {.name = "history show", .synopsis = "history show ID", .summary = "one entry with its set",
       .minWords = 1, .maxWords = 1, .inPlan = false, .check = IdRule, .run = &Cli::historyShow},
      {.name = "history diff", .synopsis = "history diff ID ID", .summary = "the values two entries' sets differ in",
       .minWords = 2, .maxWords = 2, .inPlan = false, .check = IdRule, .run = &Cli::historyDiff},
      {.name = "history export", .synopsis = "history export ID -o FILE.pmt|FILE.ztd",
       .summary = "an entry's parameter set or index data as a file", .minWords = 1, .maxWords = 1,
       .options = {Output}, .required = {"-o"}, .file = F::Output, .inPlan = false, .check = IdRule,
       .run = &Cli::historyExport},
      {.name = "history approve", .synopsis = "history approve ID",
       .summary = "mark an entry's set as the line's approved one: check\ncompares with it", .minWords = 1,
       .maxWords = 1, .inPlan = false, .check = IdRule, .run = &Cli::historyApprove},
  };
}

QList<Command> Table() {
  using F = Command::File;
  const Option count{"--count", "N", Rule([](const QString &v) { return WholeFrom(v, 1, INT_MAX); },
                                          QStringLiteral("--count needs a number of moves from 1"))};
  const Option dwell{"--dwell", "D",
                     Rule([](const QString &v) { return WholeFrom(v, 0, motion::MaxDwell) && v.size() <= 3; },
                          QStringLiteral("--dwell takes 0 to 655 (units of 100 ms)"))};
  const Option toggle{"--toggle", "SIGNAL", Rule([](const QString &v) { return IoMonitor::rowOf(v) >= 2; },
                                                 QStringLiteral("--toggle takes ALM, RDY, IN-P, OUT1 or OUT2"))};
  const Option seconds{"--seconds", "S", Rule([](const QString &v) { return RealIn(v, 0, 86400, true); },
                                              QStringLiteral("--seconds takes a time from 0 to 86400"))};
  const Option jobs{"--jobs", "N", Rule([](const QString &v) { return WholeFrom(v, 1, INT_MAX); },
                                        QStringLiteral("--jobs takes a number of lines from 1"))};
  const Option standard{"--standard", "SIZE", Rule(IsSize, u"--standard "_qs + SizeRefused)};
  auto flag = [](const char *name) { return Option{name, {}}; };
  QList<Command> table = {
      {.name = "version", .synopsis = "version", .summary = "read and print the controller's version",
       .run = &Cli::version},
      {.name = "status", .synopsis = "status", .summary = "print the status digit from \"0RA\"", .run = &Cli::status},
      {.name = "alarm-reset", .synopsis = "alarm-reset", .summary = "reset the controller's alarm (\"0AR\")",
       .run = &Cli::alarmReset},
      {.name = "index read", .synopsis = "index read [-o FILE.ztd]",
       .summary = "read point 1, print it, save it if -o is given", .options = {Output}, .file = F::Output,
       .recorded = true, .kept = true, .run = &Cli::indexRead},
      {.name = "index write", .synopsis = "index write FILE.ztd", .summary = "open FILE and write it to the controller",
       .minWords = 1, .maxWords = 1, .file = F::FirstWord, .recorded = true, .kept = true, .run = &Cli::indexWrite},
      {.name = "params read", .synopsis = "params read [-o FILE.pmt]",
       .summary = "read the parameters, print them, save them if -o is given", .options = {Output},
       .file = F::Output, .recorded = true, .kept = true, .run = &Cli::paramsRead},
      {.name = "params write", .synopsis = "params write FILE.pmt [--current A]",
       .summary = "open FILE and write it (A: motor current of size SP)", .minWords = 1, .maxWords = 1,
       .options = {Current}, .file = F::FirstWord, .recorded = true, .kept = true, .run = &Cli::paramsWrite},
      {.name = "params verify", .synopsis = "params verify FILE.pmt [--current A]",
       .summary = "open FILE and verify it against the controller", .minWords = 1, .maxWords = 1,
       .options = {Current}, .file = F::FirstWord, .recorded = true, .kept = true, .run = &Cli::paramsVerify},
      {.name = "params standard", .synopsis = "params standard SIZE [--encoder] -o FILE.pmt",
       .summary = "standard parameters of an actuator size (28, 35, 42, SP),\nsaved; no controller needed",
       .minWords = 1, .maxWords = 1, .options = {flag("--encoder"), Output}, .required = {"-o"}, .file = F::Output,
       .check = [](const Args &a) { return IsSize(a.words[0]) ? QString() : u"params standard "_qs + SizeRefused; },
       .run = &Cli::paramsStandard},
      {.name = "params diff",
       .synopsis = "params diff A.pmt (B.pmt | --standard SIZE [--encoder] | --controller) [--all]",
       .summary = "the parameters that differ, as they would be written", .minWords = 1, .maxWords = 2,
       .options = {standard, flag("--encoder"), flag("--controller"), flag("--all")}, .file = F::FirstWord,
       .kept = true, .check = DiffRule, .run = &Cli::paramsDiff},
      {.name = "home", .synopsis = "home", .summary = "home the axis; done when the controller reports status 1",
       .run = &Cli::home},
      {.name = "move", .synopsis = "move --step | --count N [--dwell D] | [--dwell D] [--stats] [--csv]",
       .summary = "one index move, N moves, or moves until Ctrl+C (Stop)",
       .options = {flag("--step"), count, dwell, flag("--stats"), flag("--csv")}, .unattended = {"--step", "--count"},
       .check =
           [](const Args &a) {
             return a.has("--step") && (a.has("--count") || a.has("--dwell"))
                        ? QStringLiteral("--step takes neither --count nor --dwell")
                        : QString();
           },
       .run = &Cli::move},
      {.name = "io", .synopsis = "io [--toggle SIGNAL]... [--seconds S] [--csv]",
       .summary = "run the I/O monitor, one line of the seven lamps a tick",
       .options = {toggle, seconds, flag("--csv")}, .unattended = {"--seconds"}, .run = &Cli::io},
      {.name = "ports", .synopsis = "ports",
       .summary = "the port numbers that map to a device or network line, and whether each opens", .inPlan = false,
       .run = &Cli::ports},
      {.name = "print index", .synopsis = "print index FILE.ztd -o OUT.pdf",
       .summary = "the index data report of a file, as a PDF (A4)", .minWords = 1, .maxWords = 1, .options = {Pdf},
       .required = {"-o"}, .file = F::FirstWord, .pages = true, .run = &Cli::printIndex},
      {.name = "print params", .synopsis = "print params FILE.pmt -o OUT.pdf",
       .summary = "the parameter report of a file, as a PDF (A4)", .minWords = 1, .maxWords = 1, .options = {Pdf},
       .required = {"-o"}, .file = F::FirstWord, .pages = true, .run = &Cli::printParams},
      {.name = "print diff", .synopsis = "print diff A.pmt B.pmt -o OUT.pdf",
       .summary = "the comparison report of two files, as a PDF (A4)", .minWords = 2, .maxWords = 2,
       .options = {Pdf}, .required = {"-o"}, .file = F::FirstWord, .pages = true, .run = &Cli::printDiff},
  };
  return table + MemoryTable() +
         QList<Command>{{.name = "batch", .synopsis = "batch PLAN.csv [--jobs N]",
                         .summary = "run each row's steps on its line, up to N lines at once", .minWords = 1,
                         .maxWords = 1, .options = {jobs}, .inPlan = false, .framed = false, .run = &Cli::batch}};
}

// The commands whose first word is `group`.
QList<const Command *> Group(const QString &group) {
  QList<const Command *> all;
  for (const Command &c : Commands())
    if (c.name.section(u' ', 0, 0) == group)
      all << &c;
  return all;
}

const Option *OptionOf(const Command &c, const QString &name) {
  for (const Option &o : c.options)
    if (o.name == name)
      return &o;
  return nullptr;
}

// "a, b or c"
QString OneOf(QStringList words) {
  const QString last = words.takeLast();
  return words.isEmpty() ? last : words.join(u", ") + u" or "_qs + last;
}

// Two columns: a name and its description, the description on lines of
// its own when the name is too wide.
QString TwoColumns(const QString &name, const QString &text, int indent, int width) {
  const QString pad(width, u' ');
  QString out = QString(indent, u' ') + name;
  out += name.size() + indent < width ? QString(width - indent - name.size(), u' ') : u'\n' + pad;
  return out + QString(text).replace(u"\n"_qs, u'\n' + pad) + u'\n';
}

} // namespace

const QList<Command> &Commands() {
  static const QList<Command> table = Table();
  return table;
}

const Command *Find(const QStringList &words, qsizetype *named, QString *why) {
  const QString group = words.value(0);
  const QList<const Command *> commands = Group(group);
  if (commands.isEmpty() || group.isEmpty()) {
    *why = QStringLiteral("unknown command '%1'").arg(group);
    return nullptr;
  }
  if (commands.size() == 1 && commands[0]->name == group) {
    *named = 1;
    return commands[0];
  }
  // A group's listing needs no verb: "history --since 2026-12-01".
  if (const QString next = words.value(1); next.isEmpty() || next.startsWith(u'-'))
    for (const Command *c : commands)
      if (c->name == group + u" list"_qs) {
        *named = 1;
        return c;
      }
  for (const Command *c : commands)
    if (c->name == group + u' ' + words.value(1)) {
      *named = 2;
      return c;
    }
  QStringList verbs;
  for (const Command *c : commands)
    verbs << c->name.section(u' ', 1);
  verbs.removeDuplicates();
  *why = QStringLiteral("%1 takes %2").arg(group, OneOf(verbs));
  if (words.size() > 1)
    *why = QStringLiteral("unknown command '%1 %2': ").arg(group, words[1]) + *why;
  return nullptr;
}

std::optional<Args> Parse(const Command &c, const QStringList &rest, QString *why) {
  Args args;
  for (qsizetype i = 0; i < rest.size(); ++i) {
    const QString &w = rest[i];
    if (!w.startsWith(u'-') || w.size() == 1) {
      args.words << w;
      continue;
    }
    const Option *o = OptionOf(c, w);
    if (!o) {
      *why = QStringLiteral("%1 takes no option %2").arg(c.name, w);
      return std::nullopt;
    }
    QString value;
    if (!o->value.isEmpty()) {
      if (++i >= rest.size()) {
        *why = QStringLiteral("%1 needs a %2").arg(w, o->value);
        return std::nullopt;
      }
      value = rest[i];
      if (o->check && !(*why = o->check(value)).isEmpty())
        return std::nullopt;
    }
    args.options << std::pair{w, value};
  }
  if (args.words.size() < c.minWords || args.words.size() > c.maxWords) {
    *why = QStringLiteral("usage: %1").arg(c.synopsis);
    return std::nullopt;
  }
  if (!c.required.isEmpty() && std::none_of(c.required.begin(), c.required.end(),
                                            [&](const QString &r) { return args.has(r); })) {
    *why = QStringLiteral("%1 needs %2").arg(c.name, OneOf(c.required));
    return std::nullopt;
  }
  if (c.check && !(*why = c.check(args)).isEmpty())
    return std::nullopt;
  return args;
}

QString CheckStep(const QStringList &words) {
  if (words.isEmpty())
    return QStringLiteral("an empty step");
  for (const Option &o : GlobalOptions())
    if (words.contains(o.name) && o.name != u"--safe")
      return QStringLiteral("%1 belongs to the batch, not to a step").arg(o.name);
  QString why;
  qsizetype named = 0;
  const Command *c = Find(words, &named, &why);
  if (!c)
    return why;
  if (!c->inPlan)
    return QStringLiteral("%1 cannot be a step of a batch").arg(c->name);
  QStringList rest = words.mid(named);
  rest.removeAll(u"--safe"_qs); // a step's own safe write
  const auto args = Parse(*c, rest, &why);
  if (!args)
    return why;
  if (!c->unattended.isEmpty() && std::none_of(c->unattended.begin(), c->unattended.end(),
                                               [&](const QString &o) { return args->has(o); }))
    return QStringLiteral("%1 needs %2 in a batch, which runs unattended").arg(c->name, OneOf(c->unattended));
  return {};
}

QDateTime SinceOf(const QString &text) {
  QDateTime t = QDateTime::fromString(text, Qt::ISODate);
  if (!t.isValid())
    t = QDate::fromString(text, Qt::ISODate).startOfDay();
  return t;
}

QString FileOf(const Command &c, const Args &args) {
  switch (c.file) {
  case Command::File::Output: return args.value("-o");
  case Command::File::FirstWord: return args.words.value(0);
  default: return {};
  }
}

const QList<Option> &GlobalOptions() {
  static const QList<Option> options{
      {"--device", "PATH", {},
       "the serial device to use, or a serial device server's line:\ntcp://HOST:PORT (raw) or rfc2217://HOST:PORT"},
      {"--port", "N", Rule([](const QString &v) { return WholeFrom(v, 1, 32); },
                           QStringLiteral("--port needs a number from 1 to 32")),
       "the port number to use (1-32), mapped as the program maps it"},
      {"--simulator", {}, {}, "talk to the built-in controller simulator"},
      {"--line", "NAME", {}, "the named line to use (see lines list)"},
      {"--lang", "ja|en", Rule([](const QString &v) { return v == u"ja" || v == u"en"; },
                               QStringLiteral("--lang takes ja or en")),
       "language of the messages (default: the stored setting)"},
      {"--timeout-scale", "F", Rule([](const QString &v) { return RealIn(v, 0.001, 100); },
                                    QStringLiteral("--timeout-scale takes a factor from 0.001 to 100")),
       "multiply every reply timeout by F (e.g. 3 for a slow line,\n0.1 against a simulator); default 1"},
      {"--record", "FILE.csv", {},
       "append a line for each read, write or verification to the\ncommissioning record FILE (time, port, version when "
       "known,\ncommand, file, result OK/NG/failed, differences)"},
      {"--trace", {}, {},
       "print every line sent and received, with its time in\nseconds and marks for timeouts and wrong replies, "
       "to\nstandard error"},
      {"--safe", {}, {},
       "a safe write: the controller's set is read and kept before\neach write, and read back and compared after it"},
      {"--yes", {}, {},
       "answer every question Yes/OK. Without it an operator at a\nterminal is asked; with no terminal the answer is "
       "No/Cancel\nand nothing is changed"},
      {"--json", {}, {},
       "print one JSON object on standard output instead of the\ntext: the command, port, device, ok, exit, the values "
       "read,\ndifferences, and on failure the message (keys in docs/CLI.md)"},
  };
  return options;
}

QString Overview() {
  QString text = QStringLiteral(
      "Usage: kov-t6-cli [--device PATH | --port N | --simulator | --line NAME] [--lang ja|en] [--timeout-scale F] [--trace] "
      "[--record FILE.csv] [--safe] [--yes] [--json]\n                  COMMAND [ARGS]\n\nCommands:\n");
  for (const Command &c : Commands())
    text += TwoColumns(c.synopsis, c.summary, 2, 39);
  text += u"\nOptions:\n"_qs;
  for (const Option &o : GlobalOptions())
    text += TwoColumns(o.value.isEmpty() ? o.name : o.name + u' ' + o.value, o.help, 2, 18);
  text += TwoColumns("--help", "this text; COMMAND --help tells about one command", 2, 18) +
          TwoColumns("--version", "the program's version", 2, 18);
  return text + QStringLiteral(
                    "\nThe special (SP) parameters are treated as by an operator who ticked\n"
                    "\"Change SP Parameter\": a file's SP values are written, saved and verified as\n"
                    "they stand.\n\n"
                    "Values read are printed on standard output as \"name: value\" lines; messages go\n"
                    "to standard error. Exit status: 0 done (a verification or diff: equal), 1 a\n"
                    "verification or diff found differences, 2 a usage error, 3 the operation failed.\n");
}

namespace {
struct CommandHelp {
  const char *name;
  const char *text;
};
const CommandHelp Helps[] = {
    {"version", "kov-t6-cli version\n  Checks the link and reads the controller's version (\"0RV\").\n"},
    {"status", "kov-t6-cli status\n  Prints the controller's status digit: 0 moving, 1 to 3 stopped or alarm.\n"},
    {"alarm-reset", "kov-t6-cli alarm-reset\n  Resets the controller's alarm (\"0AR\").\n"},
    {"index", "kov-t6-cli index read [-o FILE.ztd]\nkov-t6-cli index write FILE.ztd\n"
              "  Reads point 1 from the controller (and saves it), or writes a position data\n"
              "  file to the controller.\n"},
    {"params", "kov-t6-cli params read [-o FILE.pmt]\nkov-t6-cli params write FILE.pmt [--current A]\n"
               "kov-t6-cli params verify FILE.pmt [--current A]\nkov-t6-cli params standard SIZE [--encoder] -o FILE.pmt\n"
               "kov-t6-cli params diff A.pmt (B.pmt | --standard SIZE [--encoder] | --controller) [--all]\n"
               "  Reads, writes or verifies the parameter set, or saves the standard parameters\n"
               "  of an actuator size (28, 35, 42, SP) without a controller.\n"
               "  diff compares a file with a second file, a standard set or the controller,\n"
               "  as each would be written: one \"GROUP NAME: A → B\" line a differing\n"
               "  parameter (--all: every parameter; an equal one as \"GROUP NAME: A\").\n"
               "  Exit 0 when equal, 1 when different, 3 when a side cannot be read.\n"},
    {"home", "kov-t6-cli home\n"
             "  Homes the axis (\"0MP00\") and waits until the controller reports status 1.\n"
             "  Ctrl+C stops the waiting (the controller finishes homing on its own); exit 3.\n"},
    {"move", "kov-t6-cli move --step\nkov-t6-cli move --count N [--dwell D]\nkov-t6-cli move [--dwell D]\n"
             "  --step makes one index move (\"0MP01\"). Otherwise moves follow one another,\n"
             "  with a dwell of D x 100 ms (0 to 655) between them, until N moves have\n"
             "  completed or Ctrl+C presses Stop (the move in progress completes). Each\n"
             "  completed move prints its number and its time in ms.\n"
             "  --stats prints the count, min, median, mean, max and SD of the move times\n"
             "  (command to stopped) and cycle times (command to the next command) at the\n"
             "  end, after Ctrl+C or a failure too. --csv prints \"move,move_ms,cycle_ms\"\n"
             "  and a line a move instead, each once its cycle is known; with --csv the\n"
             "  summary goes to standard error.\n"},
    {"ports", "kov-t6-cli ports\n"
              "  One line a port number that maps to a device: the device, what the system\n"
              "  reports about it, and whether it opens or why not. Network lines are tried\n"
              "  at once, each asked the link check: whether a controller answered.\n"},
    {"print", "kov-t6-cli print index FILE.ztd -o OUT.pdf\nkov-t6-cli print params FILE.pmt -o OUT.pdf\n"
              "kov-t6-cli print diff A.pmt B.pmt -o OUT.pdf\n"
              "  Draws the report of a position data or parameter file, or the comparison of\n"
              "  two parameter files, as the program prints it, into a PDF on A4. No\n"
              "  controller and no display are needed.\n"},
    {"batch", "kov-t6-cli [--lang L] [--timeout-scale F] [--record FILE.csv] [--json] batch PLAN.csv [--jobs N]\n"
              "  Runs the plan: a \"line,steps\" header, then a row a line (a device path, a\n"
              "  tcp:// or rfc2217:// URL, or a port number) with its steps separated by \";\",\n"
              "  e.g. /dev/ttyUSB0,\"params write P.pmt; params verify P.pmt; version\".\n"
              "  Each line runs its steps in order, one at a time, each step a kov-t6-cli of\n"
              "  its own that answers Yes; up to N lines at once (default: all). A failed step\n"
              "  ends its line's plan; the other lines go on. On a terminal a table shows\n"
              "  each line's step, state and time; otherwise a line a finished step. Then\n"
              "  a summary. --record writes a record line a step; --json prints an object a\n"
              "  line and a summary object. A plan that cannot run names its row and column\n"
              "  and nothing runs (exit 2). Ctrl+C starts no new step and lets the running\n"
              "  steps finish. Exit 0 every line passed, 1 a verification found differences,\n"
              "  3 a step failed or the batch was stopped.\n"},
    {"lines", "kov-t6-cli lines add NAME (--device PATH | --port N) [--note TEXT]\nkov-t6-cli lines list\n"
              "kov-t6-cli lines remove NAME\n"
              "  The register of the plant's named lines, kept with the history. --line NAME\n"
              "  then stands for the line's --device or --port wherever those work, and a\n"
              "  batch plan's line column may name a line.\n"},
    {"history", "kov-t6-cli [--line NAME] history list [--since DATE]   (list may be left out)\nkov-t6-cli history show ID\n"
                "kov-t6-cli history diff ID ID\nkov-t6-cli history export ID -o FILE.pmt|FILE.ztd\n"
                "kov-t6-cli history approve ID\n"
                "  Every read, write, verification, comparison with the controller, check,\n"
                "  restore and alarm is kept: time, line, version, command, result, message,\n"
                "  the set read or written and the differences. list prints one line an\n"
                "  entry, its number first (the line of --line, --device or --port only, when\n"
                "  one is given). show prints an entry and its values; diff the values two\n"
                "  entries differ in (exit 1 when they differ); export writes an entry's set as\n"
                "  a parameter (.pmt) or position data (.ztd) file; approve makes an entry the\n"
                "  line's reference for check.\n"},
    {"check", "kov-t6-cli --line NAME check\n"
              "  Reads the controller's parameters and index data and compares them with the\n"
              "  set last written to the line (or the one approved). Exit 0 the same, 1\n"
              "  drifted (the differences printed), 3 the line or the reference failed.\n"},
    {"restore", "kov-t6-cli [--line NAME] restore ID\n"
                "  Writes a history entry's set back to the controller, as a safe write: the\n"
                "  set it holds is kept first, and the set written is read back and compared.\n"},
    {"io", "kov-t6-cli io [--toggle SIGNAL]... [--seconds S] [--csv]\n"
           "  Runs the I/O monitor for S seconds from its first reading (default: until\n"
           "  Ctrl+C, which stops it so the controller leaves monitor mode). Each tick\n"
           "  prints the seven lamps STB, RES, ALM, RDY, IN-P, OUT2, OUT1 as 0 or 1;\n"
           "  --csv prints CSV lines (ms since the first reading, then the seven states)\n"
           "  after a header. --toggle switches the output SIGNAL (ALM, RDY, IN-P, OUT1\n"
           "  or OUT2) after the first read, as a double-click on its lamp does. A run\n"
           "  stopped before its first reading fails (exit 3).\n"},
};
} // namespace

QString Help(const QString &command) {
  for (const CommandHelp &h : Helps)
    if (command == QLatin1String(h.name))
      return QString::fromUtf8(h.text);
  return {};
}

} // namespace cli
