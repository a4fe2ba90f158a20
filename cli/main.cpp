// kov-t6-cli: the operator commands of KOV-T6 from the command line, run by
// the program's own code with a console in place of the message boxes.
#include "cli.h"
#include "console.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <memory>
#include <optional>

using namespace cli;

namespace {

// What the options of the run (not those of the command) ask for.
struct Run {
  bool trace = false, json = false, yes = false, simulator = false, safe = false;
  QString device, record, line;
  std::optional<qint16> port, lang;
  QStringList passed; // the options a batch gives each of its steps
  QStringList words;  // the command and its own words and options
};

// The run's options, wherever they stand, out of the words; the rest is the
// command's. A problem is said in `why`.
std::optional<Run> TakeOptions(const QStringList &argv, QString *why) {
  Run r;
  for (qsizetype i = 0; i < argv.size(); ++i) {
    const auto o = std::find_if(GlobalOptions().begin(), GlobalOptions().end(),
                                [&](const Option &g) { return g.name == argv[i]; });
    if (o == GlobalOptions().end()) {
      r.words << argv[i];
      continue;
    }
    QString value;
    if (!o->value.isEmpty()) {
      value = argv.value(++i);
      if (i >= argv.size() || (o->check && !(*why = o->check(value)).isEmpty())) {
        if (why->isEmpty())
          *why = QStringLiteral("%1 needs a %2").arg(o->name, o->value);
        return std::nullopt;
      }
    }
    const QString &n = o->name;
    if (n == u"--trace") r.trace = true;
    else if (n == u"--json") r.json = true;
    else if (n == u"--yes") r.yes = true;
    else if (n == u"--simulator") r.simulator = true;
    else if (n == u"--device") r.device = value;
    else if (n == u"--line") r.line = value;
    else if (n == u"--safe") r.safe = true;
    else if (n == u"--record") r.record = value;
    else if (n == u"--port") r.port = qint16(value.toInt());
    else if (n == u"--lang") r.lang = qint16(value == u"ja" ? 1 : 2);
    if (n == u"--timeout-scale") {
      Link::setTimeoutScale(value.toDouble());
      r.passed << n << QString::number(value.toDouble());
    } else if (n == u"--lang") {
      r.passed << n << value;
    } else if (n == u"--safe") {
      r.passed << n;
    }
  }
  if (int(r.simulator) + int(!r.device.isEmpty()) + int(r.port.has_value()) + int(!r.line.isEmpty()) > 1)
    *why = QStringLiteral("choose one of --device, --port, --simulator and --line");
  else if (r.words.value(0) == u"batch" &&
           (r.simulator || !r.device.isEmpty() || r.port || !r.line.isEmpty() || r.trace || r.yes))
    *why = QStringLiteral("batch takes its lines from the plan and answers Yes itself; "
                          "--device, --port, --simulator, --line, --trace and --yes do not belong to it");
  return why->isEmpty() ? std::optional(r) : std::nullopt;
}

void Prepare(Cli &c, const Run &r) {
  c.trace = r.trace;
  c.json = r.json;
  c.record = r.record;
  c.passed = r.passed;
  c.program.deviceOverride = r.device;
  c.program.portOverride = r.port;
  c.program.languageOverride = r.lang;
  c.lineName = r.line;
  if (r.safe)
    c.program.memory.safeOverride = true;
  if (r.simulator) {
    c.simulated.sim()->setPaced(true); // as slow as a controller's line
    c.program.link.setDevice(&c.simulated);
  }
}

// A batch's line: one step a JSON array of words on standard input, each run
// afresh as its own kov-t6-cli would, its object on standard output; the
// line's process stays, so that its start costs once, not a step. So does
// its port: a network line connects (and agrees its line settings) once,
// not a step; it closes when the steps end.
int BatchLine(const Run &r) {
  {
    // A first run of the code a step uses, against the built-in simulator:
    // what a process pays on a path's first use is paid here, before the
    // line is ready, not in the middle of its first exchanges. Its words
    // come before "ready", which the batch does not read as a step's.
    ConsoleDialogs quiet;
    Cli warm(quiet);
    warm.json = true;
    warm.program.link.setDevice(&warm.simulated);
    warm.program.memory.keeping = false; // nothing happened on the line
    warm.run({QStringLiteral("params"), QStringLiteral("read")});
  }
  SerialPortDevice line;
  out() << "{\"ready\":true}" << Qt::endl;
  QTextStream in(stdin);
  for (QString step; in.readLineInto(&step);) {
    QStringList words;
    for (const QJsonValue &w : QJsonDocument::fromJson(step.toUtf8()).array())
      words << w.toString();
    if (words.isEmpty())
      continue;
    // A peer that hung up while the line waited for this step is seen as
    // gone now, so that the step connects again rather than writing into it.
    QCoreApplication::processEvents();
    Cli::ownFailure().clear();
    ConsoleDialogs dialogs;
    dialogs.yes = r.yes;
    Cli c(dialogs);
    Prepare(c, r);
    c.line = &line;
    c.run(words);
  }
  line.close();
  return Done;
}

// Reports are drawn with fonts, which need a GUI application; it never
// shows anything, so it needs no display.
std::unique_ptr<QCoreApplication> Application(int &argc, char *argv[]) {
  for (int i = 1; i < argc; ++i)
    for (const Command &c : Commands())
      if (c.pages && c.name.section(u' ', 0, 0) == QLatin1String(argv[i])) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
      }
  return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[]) {
  // Made first so that it is given back after the last output is flushed.
  static const console::Session session;
  const std::unique_ptr<QCoreApplication> app = Application(argc, argv);
  QString why;
  const std::optional<Run> run = TakeOptions(app->arguments().mid(1), &why);
  if (!run)
    return Cli::usage(why);
  const QString first = run->words.value(0);
  if (first == u"--help") {
    out() << Overview();
    return Done;
  }
  if (first == u"--version") {
    out() << "kov-t6-cli " << KOV_VERSION_MAJOR << '.' << KOV_VERSION_MINOR << '.' << KOV_VERSION_PATCH << Qt::endl;
    return Done;
  }
  if (first.startsWith(u'-'))
    return Cli::usage(QStringLiteral("unknown option '%1'").arg(first));
  if (first.isEmpty())
    return Cli::usage(QStringLiteral("a COMMAND is needed"));
  if (run->words.contains(u"--help"_qs)) {
    const QString help = Help(first);
    if (help.isEmpty())
      return Cli::usage(QStringLiteral("unknown command '%1'").arg(first));
    out() << help;
    return Done;
  }
  if (first == u"batch-line")
    return BatchLine(*run);
  ConsoleDialogs dialogs;
  dialogs.yes = run->yes;
  Cli cli(dialogs);
  Prepare(cli, *run);
  return cli.run(run->words);
}
