// kov-t6-cli: the operator commands of KOV-T6 from the command line, run by
// the program's own code with a console in place of the message boxes.
#include "batch.h"
#include "console.h"
#include "consoledialogs.h"
#include "parameterreport.h"
#include "program.h"
#include "interrupt.h"
#include "record.h"
#include "simportdevice.h"

#include "motionrules.h"
#include "pdftarget.h"
#include "portprobe.h"
#include "tcpportdevice.h"
#include "wholefile.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QGuiApplication>
#include <cstring>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>
#include <QTextStream>
#include <cmath>

namespace {

enum Exit { Done = 0, Differs = 1, Usage = 2, Failed = 3 };

const char *const Overview = R"(Usage: kov-t6-cli [--device PATH | --port N | --simulator] [--lang ja|en] [--timeout-scale F] [--trace] [--record FILE.csv] [--yes] [--json]
                  COMMAND [ARGS]

Commands:
  version                              read and print the controller's version
  status                               print the status digit from "0RA"
  alarm-reset                          reset the controller's alarm ("0AR")
  index read [-o FILE.ztd]             read point 1, print it, save it if -o is given
  index write FILE.ztd                 open FILE and write it to the controller
  params read [-o FILE.pmt]            read the parameters, print them, save them if -o is given
  params write FILE.pmt [--current A]  open FILE and write it (A: motor current of size SP)
  params verify FILE.pmt [--current A] open FILE and verify it against the controller
  params standard SIZE [--encoder] -o FILE.pmt
                                       standard parameters of an actuator size (28, 35, 42, SP),
                                       saved; no controller needed
  params diff A.pmt (B.pmt | --standard SIZE [--encoder] | --controller) [--all]
                                       the parameters that differ, as they would be written
  home                                 home the axis; done when the controller reports status 1
  move --step | --count N [--dwell D] | [--dwell D] [--stats] [--csv]
                                       one index move, N moves, or moves until Ctrl+C (Stop)
  io [--toggle SIGNAL]... [--seconds S] [--csv]
                                       run the I/O monitor, one line of the seven lamps a tick
  ports                                the port numbers that map to a device or network line, and whether each opens
  print index FILE.ztd -o OUT.pdf      the index data report of a file, as a PDF (A4)
  print params FILE.pmt -o OUT.pdf     the parameter report of a file, as a PDF (A4)
  print diff A.pmt B.pmt -o OUT.pdf    the comparison report of two files, as a PDF (A4)
  batch PLAN.csv [--jobs N]            run each row's steps on its line, up to N lines at once

Options:
  --device PATH   the serial device to use, or a serial device server's line:
                  tcp://HOST:PORT (raw) or rfc2217://HOST:PORT
  --port N        the port number to use (1-32), mapped as the program maps it
  --simulator     talk to the built-in controller simulator
  --lang ja|en    language of the messages (default: the stored setting)
  --timeout-scale F
                  multiply every reply timeout by F (e.g. 3 for a slow line,
                  0.1 against a simulator); default 1
  --record FILE.csv
                  append a line for each read, write or verification to the
                  commissioning record FILE (time, port, version when known,
                  command, file, result OK/NG/failed, differences)
  --trace         print every line sent and received, with its time in
                  seconds and marks for timeouts and wrong replies, to
                  standard error
  --yes           answer every question Yes/OK. Without it an operator at a
                  terminal is asked; with no terminal the answer is No/Cancel
                  and nothing is changed
  --json          print one JSON object on standard output instead of the
                  text: the command, port, device, ok, exit, the values read,
                  differences, and on failure the message (keys in docs/CLI.md)
  --help          this text; COMMAND --help tells about one command
  --version       the program's version

The special (SP) parameters are treated as by an operator who ticked
"Change SP Parameter": a file's SP values are written, saved and verified as
they stand.

Values read are printed on standard output as "name: value" lines; messages go
to standard error. Exit status: 0 done (a verification or diff: equal), 1 a
verification or diff found differences, 2 a usage error, 3 the operation failed.
)";

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
    {"io", "kov-t6-cli io [--toggle SIGNAL]... [--seconds S] [--csv]\n"
           "  Runs the I/O monitor for S seconds (default: until Ctrl+C, which stops it so\n"
           "  the controller leaves monitor mode). Each tick prints the seven lamps STB,\n"
           "  RES, ALM, RDY, IN-P, OUT2, OUT1 as 0 or 1; --csv prints CSV lines (ms since\n"
           "  the start, then the seven states) after a header. --toggle switches the\n"
           "  output SIGNAL (ALM, RDY, IN-P, OUT1 or OUT2) after the first read, as a\n"
           "  double-click on its lamp does.\n"},
};

QTextStream &out() {
  static QTextStream s(stdout);
  return s;
}

// The last line the tool itself said about a failure, for --json.
QString &ownFailure() {
  static QString text;
  return text;
}

int usage(const QString &problem) {
  ownFailure() = QStringLiteral("kov-t6-cli: ") + problem + QStringLiteral(" (see kov-t6-cli --help)");
  QTextStream(stderr) << ownFailure() << "\n";
  return Usage;
}

// A value as JSON: a number when the text is one, else the text.
QJsonValue jsonValue(const QString &text) {
  static const QRegularExpression number(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
  return number.match(text).hasMatch() ? QJsonValue(text.toDouble()) : QJsonValue(text);
}

QJsonObject jsonSummary(const movestats::Summary &s) {
  return {{"count", s.count}, {"min", s.min}, {"median", s.median}, {"mean", s.mean}, {"max", s.max}, {"sd", s.sd}};
}

class Cli {
public:
  explicit Cli(ConsoleDialogs &d) : dialogs(d), program(d) {}

  int run(const QString &command, QStringList args);

private:
  int version();
  int status();
  int alarmReset();
  int index(QStringList args);
  int params(QStringList args);
  int diff(QStringList args);
  int home();
  int move(QStringList args);
  int io(QStringList args);
  int print(QStringList args);
  int ports();
  void printParams();
  int failed(const QString &what) {
    ownFailure() = QStringLiteral("kov-t6-cli: ") + what + QStringLiteral(" failed");
    QTextStream(stderr) << ownFailure() << "\n";
    return Failed;
  }
  // A value read: a "name: text" line, or under --json the value of `key`
  // (the English name, so that the keys do not follow --lang).
  void show(const QString &name, const QString &text, const QString &key = {}, bool number = true) {
    if (json)
      values.insert(key.isEmpty() ? name : key, number ? jsonValue(text) : QJsonValue(text));
    else
      out() << name << ": " << text << '\n';
  }
  // The object --json prints for the command that ended in `result`.
  QJsonObject jsonResult(const QString &command, const QStringList &args, int result, qint64 ms) const;
  void printIndex();

  ConsoleDialogs &dialogs;

  QJsonObject values;     // --json: the values read
  QJsonArray differences; // --json: a verification's or a diff's

public:
  Program program;
  SimPortDevice simulated;
  bool json = false;  // one JSON object on standard output instead of text
  bool trace = false; // every line over the wire to standard error
  QString record;     // --record: the commissioning record to append to

  // The controller's version once the run has asked for it, else empty.
  QString controllerVersion() const {
    const QString shown = program.frmMain.sbStatusBar.panelText(0);
    return shown.startsWith(program.m.msg(416)) ? shown.mid(program.m.msg(416).size()) : QString();
  }
  // One line of the commissioning record for a read, write or verification.
  bool writeRecord(const QString &command, const QStringList &args, int result);
};

int Cli::run(const QString &command, QStringList args) {
  QElapsedTimer clock;
  clock.start();
  program.Main(false);
  if (trace) {
    CommLog &log = program.log();
    log.setHidePolling(false);
    log.setRecording(true);
    QObject::connect(&log, &CommLog::appended, &log,
                     [](const QString &line) { QTextStream(stderr) << line << Qt::endl; });
  }
  int result = Usage;
  if (command == QLatin1String("version"))
    result = args.isEmpty() ? version() : usage(QStringLiteral("version takes no arguments"));
  else if (command == QLatin1String("status"))
    result = args.isEmpty() ? status() : usage(QStringLiteral("status takes no arguments"));
  else if (command == QLatin1String("alarm-reset"))
    result = args.isEmpty() ? alarmReset() : usage(QStringLiteral("alarm-reset takes no arguments"));
  else if (command == QLatin1String("index"))
    result = index(args);
  else if (command == QLatin1String("params"))
    result = params(args);
  else if (command == QLatin1String("home"))
    result = args.isEmpty() ? home() : usage(QStringLiteral("home takes no arguments"));
  else if (command == QLatin1String("move"))
    result = move(args);
  else if (command == QLatin1String("io"))
    result = io(args);
  else if (command == QLatin1String("print"))
    result = print(args);
  else if (command == QLatin1String("ports"))
    result = args.isEmpty() ? ports() : usage(QStringLiteral("ports takes no arguments"));
  else
    result = usage(QStringLiteral("unknown command '%1'").arg(command));
  program.link.CommPortClose();
  if (!record.isEmpty() && result != Usage && !writeRecord(command, args, result))
    result = Failed;
  if (json)
    out() << QJsonDocument(jsonResult(command, args, result, clock.elapsed())).toJson(QJsonDocument::Compact)
          << Qt::endl;
  return result;
}

namespace {
// The file a command names: -o's, else the first word after its verb.
QString fileOf(const QString &command, const QStringList &args) {
  const qsizetype o = args.indexOf(QStringLiteral("-o"));
  if (o >= 0 && command != u"print")
    return args.value(o + 1);
  const bool named = command == u"print" || (command == u"index" && args.value(0) == u"write") ||
                     (command == u"params" && QStringList{"write", "verify", "diff"}.contains(args.value(0)));
  return named ? args.value(1) : QString();
}
} // namespace

QJsonObject Cli::jsonResult(const QString &command, const QStringList &args, int result, qint64 ms) const {
  const int n = program.m.PortNo;
  const QString verb = args.value(0).startsWith(u'-') ? QString() : args.value(0);
  QJsonObject o{{"command", verb.isEmpty() || command == u"move" || command == u"io" ? command : command + u' ' + verb},
                {"port", QStringLiteral("COM%1").arg(n)},
                {"device", program.link.deviceName(n)},
                {"ok", result == Done},
                {"exit", result},
                {"elapsed_ms", ms},
                {"values", values}};
  const QString file = fileOf(command, args);
  if (!file.isEmpty())
    o.insert("file", file);
  const QString version = controllerVersion();
  if (!version.isEmpty())
    o.insert("controller_version", version);
  if (command == u"params" && (verb == u"verify" || verb == u"diff"))
    o.insert("differences", differences);
  if (result == Usage || result == Failed) {
    // What the operator was told last: a message of the table when there was one.
    const QString shown = dialogs.lastShown.isEmpty() ? ownFailure() : dialogs.lastShown;
    const std::optional<int> number = program.m.messages().numberOf(shown);
    o.insert("error", QJsonObject{{"message", number ? QJsonValue(*number) : QJsonValue()},
                                  {"text", QString(shown).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))}});
  }
  return o;
}

bool Cli::writeRecord(const QString &command, const QStringList &args, int result) {
  const QString verb = args.value(0);
  const bool recorded = (command == u"index" && (verb == u"read" || verb == u"write")) ||
                        (command == u"params" && (verb == u"read" || verb == u"write" || verb == u"verify"));
  if (!recorded)
    return true;
  const QString file = fileOf(command, args);
  const bool verify = verb == u"verify";
  const QString version = controllerVersion();
  const QStringList fields{QDateTime::currentDateTime().toString(Qt::ISODate),
                           program.link.portLabel(program.m.PortNo), version, command + u' ' + verb, file,
                           record::Outcome(result),
                           verify && result != Failed ? QString::number(program.verification.differenceCount())
                                                      : QString()};
  QString reason;
  if (!record::Append(this->record, fields, &reason)) {
    QTextStream(stderr) << record << ": " << reason << "\n";
    ownFailure() = QStringLiteral("kov-t6-cli: the commissioning record could not be written");
    QTextStream(stderr) << ownFailure() << '\n';
    return false;
  }
  return true;
}

int Cli::home() {
  // Ctrl+C is the second press of Home: the waiting ends.
  Interrupt interrupt([this] { program.motion.cmdHOME_Click(); });
  dialogs.reworded.insert(program.m.msg(5216), program.m.msg(5217));
  return program.motion.cmdHOME_Click() == 0 ? Done : failed(QStringLiteral("home"));
}

int Cli::move(QStringList args) {
  FrmMain &f = program.frmMain;
  bool step = false;
  int count = 0;
  QString dwell;
  const bool stats = args.removeAll(QStringLiteral("--stats")) > 0;
  const bool csv = args.removeAll(QStringLiteral("--csv")) > 0 && !json; // --json holds the moves itself
  while (!args.isEmpty()) {
    const QString opt = args.takeFirst();
    bool ok = true;
    if (opt == QLatin1String("--step")) {
      step = true;
    } else if (opt == QLatin1String("--count")) {
      count = args.isEmpty() ? 0 : args.takeFirst().toInt(&ok);
      if (!ok || count < 1)
        return usage(QStringLiteral("--count needs a number of moves from 1"));
    } else if (opt == QLatin1String("--dwell")) {
      dwell = args.isEmpty() ? QString() : args.takeFirst();
      const int v = dwell.toInt(&ok);
      if (!ok || v < 0 || v > motion::MaxDwell || dwell.size() > 3)
        return usage(QStringLiteral("--dwell takes 0 to 655 (units of 100 ms)"));
    } else {
      return usage(QStringLiteral("unknown move option '%1'").arg(opt));
    }
  }
  if (step && (count > 0 || !dwell.isNull()))
    return usage(QStringLiteral("--step takes neither --count nor --dwell"));
  (step ? f.optSTEP : f.optCNT).setChecked(true);
  f.chkTimerUse.setChecked(!dwell.isNull());
  if (!dwell.isNull())
    f.txtTimer.setText(QString::number(dwell.toInt()));
  MotionTest &motion = program.motion;
  const MoveStats &moves = program.moveStats;
  QObject::connect(&motion, &MotionTest::moveCompleted, &motion, [&](int number, qint64 ms) {
    if (!csv && !json)
      out() << "move " << number << ": " << ms << " ms" << Qt::endl;
    if (count > 0 && number >= count)
      motion.cmdSTOP_Click();
  });
  // A move's line waits for its cycle time, which the next move's command ends.
  qsizetype printed = 0;
  auto printCsv = [&](bool all) {
    for (; printed < moves.moves().size(); ++printed) {
      const MoveStats::Move &m = moves.moves()[printed];
      if (m.cycleMs < 0 && !all)
        break;
      out() << MoveStats::csvLine(m).chopped(2) << Qt::endl;
    }
  };
  if (csv) {
    out() << "move,move_ms,cycle_ms" << Qt::endl;
    QObject::connect(&motion, &MotionTest::cycleCompleted, &motion, [&] { printCsv(false); });
  }
  Interrupt interrupt([&motion] { motion.cmdSTOP_Click(); });
  const int result = motion.cmdMOVE_Click() == 0 ? Done : failed(QStringLiteral("move"));
  if (csv)
    printCsv(true);
  if (json) {
    QJsonArray list;
    for (const MoveStats::Move &m : moves.moves())
      list.append(QJsonObject{{"move", m.number}, {"move_ms", m.moveMs},
                              {"cycle_ms", m.cycleMs >= 0 ? QJsonValue(m.cycleMs) : QJsonValue()}});
    values = {{"moves", list}, {"move_ms", jsonSummary(moves.moveSummary())},
              {"cycle_ms", jsonSummary(moves.cycleSummary())}};
  } else if (stats) {
    const QString summary = moves.summaryText(program.m.messages());
    if (csv)
      QTextStream(stderr) << summary;
    else
      out() << summary << Qt::flush;
  }
  return result;
}

int Cli::io(QStringList args) {
  QList<int> toggles;
  double seconds = 0;
  bool csv = false;
  while (!args.isEmpty()) {
    const QString opt = args.takeFirst();
    if (opt == QLatin1String("--toggle")) {
      const int row = IoMonitor::rowOf(args.isEmpty() ? QString() : args.takeFirst());
      if (row < 2)
        return usage(QStringLiteral("--toggle takes ALM, RDY, IN-P, OUT1 or OUT2"));
      toggles << row;
    } else if (opt == QLatin1String("--seconds")) {
      bool ok = false;
      seconds = args.isEmpty() ? 0 : args.takeFirst().toDouble(&ok);
      if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
        return usage(QStringLiteral("--seconds takes a time from 0 to 86400"));
    } else if (opt == QLatin1String("--csv")) {
      csv = true;
    } else {
      return usage(QStringLiteral("unknown io option '%1'").arg(opt));
    }
  }
  IoMonitor &io = program.io;
  QElapsedTimer run;
  bool first = true, stopAsked = false;
  if (csv && !json)
    out() << "ms,STB,RES,ALM,RDY,IN-P,OUT2,OUT1" << Qt::endl;
  int ticks = 0;
  QObject::connect(&io, &IoMonitor::ticked, &io, [&] {
    ++ticks;
    if (json) {
      QJsonObject states;
      for (int row = 0; row < 7; ++row)
        states.insert(IoSignalName(row), io.isOn(row) ? 1 : 0);
      values.insert("states", states);
    }
    QStringList states;
    for (int row = 0; row < 7; ++row)
      states << (csv ? QString() : IoSignalName(row) + u'=') +
                    QString::number(io.isOn(row) ? 1 : 0);
    if (!json)
      out() << (csv ? QString::number(run.elapsed()) + u',' + states.join(u',') : states.join(u' '))
            << Qt::endl;
    // Each toggle after the first read, as a double-click on that lamp.
    if (std::exchange(first, false))
      for (const int row : toggles)
        io.outputLamp_DblClick(row);
  });
  auto stop = [&] {
    stopAsked = true;
    if (io.IoMonitoring && !io.IoStopRequest)
      io.cmdIoMonitor_Click();
  };
  QEventLoop loop;
  QObject::connect(&io, &IoMonitor::stopped, &loop, &QEventLoop::quit);
  Interrupt interrupt(stop);
  QTimer timeUp;
  timeUp.setSingleShot(true);
  QObject::connect(&timeUp, &QTimer::timeout, &io, stop);
  run.start();
  io.cmdIoMonitor_Click();
  if (seconds > 0)
    timeUp.start(int(std::lround(seconds * 1000)));
  loop.exec();
  if (json) {
    QJsonArray changes;
    for (const IoHistory::Change &c : io.history().changes())
      changes.append(QJsonObject{{"ms", c.ms}, {"signal", IoSignalName(c.row)},
                                 {"state", c.on ? 1 : 0}});
    values.insert("ticks", ticks);
    values.insert("changes", changes);
    values.insert("dropped", io.history().dropped());
  }
  return stopAsked ? Done : failed(QStringLiteral("io"));
}

int Cli::ports() {
  Link &link = program.link;
  PortProbe probe(*link.device(), [this](int n) { return program.m.msg(n); });
  probe.start(link.portInUse());
  if (probe.running()) { // the network lines, all at once
    QEventLoop loop;
    QObject::connect(&probe, &PortProbe::finished, &loop, &QEventLoop::quit);
    loop.exec();
  }
  using F = PortProbe::Found;
  QJsonArray list;
  for (int n = 1; n <= 32; ++n) {
    const F found = probe.result(n).found;
    if (found == F::None)
      continue; // no device has this number
    const bool opens = found != F::Refused;
    if (json)
      list.append(QJsonObject{{"port", QStringLiteral("COM%1").arg(n)}, {"device", link.deviceName(n)},
                              {"opens", opens},
                              {"reason", opens ? QJsonValue() : QJsonValue(probe.result(n).reason)},
                              // Only network lines are asked; null where nobody asked.
                              {"controller", TcpPortDevice::isUrl(link.portPath(n)) && found != F::Opens
                                                 ? QJsonValue(found == F::Controller)
                                                 : QJsonValue()}});
    else
      out() << link.portLabel(n) << ": " << probe.describe(n) << Qt::endl;
  }
  if (json)
    values.insert("ports", list);
  return Done;
}

int Cli::print(QStringList args) {
  if (args.value(0) == u"diff") {
    if (args.size() != 5 || args[3] != u"-o")
      return usage(QStringLiteral("print diff takes A.pmt B.pmt -o OUT.pdf"));
    ParamCompare &compare = program.compare;
    if (compare.compare(ParamCompare::Side::file(args[1]), ParamCompare::Side::file(args[2])) < 0)
      return failed(QStringLiteral("comparing"));
    values.insert("pdf", args[4]);
    return program.print.saveComparisonPdf(compare, args[4]) == 0 ? Done : failed(QStringLiteral("printing"));
  }
  const int o = int(args.indexOf(QLatin1String("-o")));
  if (args.size() != 4 || o != 2 || (args[0] != u"index" && args[0] != u"params"))
    return usage(QStringLiteral("print takes index FILE.ztd, params FILE.pmt or diff A.pmt B.pmt, and -o OUT.pdf"));
  values.insert("pdf", args[3]);
  PdfTarget pdf(args[3]);
  program.print.target = &pdf;
  const bool index = args[0] == u"index";
  const qint16 r = index ? program.print.printIndexFile(args[1]) : program.print.printParamFile(args[1]);
  program.print.target = nullptr;
  if (r != 0)
    return failed(QStringLiteral("printing ") + args[1]);
  if (!pdf.failure.isEmpty()) {
    QTextStream(stderr) << args[3] << ": " << pdf.failure << "\n";
    return failed(QStringLiteral("printing ") + args[1]);
  }
  return Done;
}

int Cli::version() {
  if (program.controller.mnuShowCtversion_Click() != 0)
    return failed(QStringLiteral("version"));
  const QByteArray v = program.link.JusinData.mid(3, 3);
  show(QStringLiteral("version"), QString::fromLatin1(v.left(1) + '.' + v.mid(1, 2)), {}, false);
  return Done;
}

int Cli::status() {
  const qint16 s = program.link.ReadCtStatus();
  program.link.CommPortRelease();
  if (s < 0)
    return failed(QStringLiteral("status"));
  show(QStringLiteral("status"), QString::number(s));
  return Done;
}

int Cli::alarmReset() {
  return program.controller.cmdRESET_Click() == 0 ? Done : failed(QStringLiteral("alarm-reset"));
}

void Cli::printIndex() {
  const FrmMain &f = program.frmMain;
  const Messages english(msgtable::EnglishBase);
  const std::pair<int, QString> lines[] = {{3002, f.comboVEL.text()},
                                           {3003, f.comboACC.text()},
                                           {3004, f.txtDIVISION.text()},
                                           {3005, f.txtGEAR.text()},
                                           {3008, f.optCW.isChecked() ? QStringLiteral("CW") : QStringLiteral("CCW")}};
  for (const auto &[n, text] : lines)
    show(program.m.msg(n), text, english.text(n));
  out() << Qt::flush;
}

int Cli::index(QStringList args) {
  if (args.isEmpty())
    return usage(QStringLiteral("index takes read or write"));
  const QString verb = args.takeFirst();
  if (verb == QLatin1String("read")) {
    QString save;
    if (args.size() == 2 && args[0] == QLatin1String("-o"))
      save = args[1];
    else if (!args.isEmpty())
      return usage(QStringLiteral("index read takes only -o FILE"));
    if (program.indexData.cmdGetfromCt_Click() != 0)
      return failed(QStringLiteral("index read"));
    printIndex();
    if (!save.isEmpty()) {
      dialogs.files = {save};
      if (!program.positionFile.SaveFileProc())
        return failed(QStringLiteral("saving ") + save);
    }
    return Done;
  }
  if (verb == QLatin1String("write")) {
    if (args.size() != 1)
      return usage(QStringLiteral("index write takes one FILE"));
    dialogs.files = {args[0]};
    if (program.positionFile.FileOpenProc() != 0)
      return failed(QStringLiteral("opening ") + args[0]);
    if (program.indexData.LoadtoCtMain() != 0)
      return failed(QStringLiteral("index write"));
    return Done;
  }
  return usage(QStringLiteral("index takes read or write"));
}

void Cli::printParams() {
  const auto lines = ParameterReportLines(program.params.ParametaSet, program.m.messages());
  const auto keys = ParameterReportLines(program.params.ParametaSet, Messages(msgtable::EnglishBase));
  for (qsizetype i = 0; i < lines.size(); ++i)
    show(lines[i].first, lines[i].second, keys[i].first);
  out() << Qt::flush;
}

int Cli::params(QStringList args) {
  if (args.isEmpty())
    return usage(QStringLiteral("params takes read, write, verify, standard or diff"));
  const QString verb = args.takeFirst();
  // -o FILE wherever it stands; the rest stays in `args`.
  QString save;
  const qsizetype o = args.indexOf(QStringLiteral("-o"));
  if (o >= 0) {
    if (o + 1 >= args.size())
      return usage(QStringLiteral("-o needs a FILE"));
    save = args.takeAt(o + 1);
    args.removeAt(o);
  }
  // --current A of write and verify: the motor current of size SP.
  QString current;
  if (const qsizetype c = args.indexOf(QStringLiteral("--current")); c >= 0) {
    if (c + 1 >= args.size())
      return usage(QStringLiteral("--current needs a value in amperes"));
    current = args.takeAt(c + 1);
    args.removeAt(c);
    bool ok = false;
    const double a = current.toDouble(&ok);
    if (!ok || !std::isfinite(a) || a <= 0 || a > 2.0 || current.section(u'.', 1).size() > 1)
      return usage(QStringLiteral("--current takes 0.1 to 2.0 (amperes, one decimal)"));
  }
  // Into the page once the file is open; false when size SP is left without one.
  auto takeCurrent = [this, &current] {
    if (!current.isEmpty()) {
      if (program.frmMain.comboActSize.text() == QLatin1String("SP"))
        program.frmMain.txtDenryu.setText(current);
      else
        QTextStream(stderr) << "kov-t6-cli: --current ignored: the actuator is not size SP\n";
    }
    // A motor current of 0 A is never what the operator meant.
    if (program.params.currentMissing()) {
      ownFailure() = QStringLiteral("kov-t6-cli: size SP needs its motor current: give --current A (0.1 to 2.0)");
      QTextStream(stderr) << ownFailure() << '\n';
      return false;
    }
    return true;
  };
  if (!current.isEmpty() && verb != QLatin1String("write") && verb != QLatin1String("verify"))
    return usage(QStringLiteral("--current belongs to params write and params verify"));
  ParameterPage &page = program.params;
  // The command line changes the special parameters as they stand.
  page.unlockSpecialConfirmed();

  auto saveTo = [&](const QString &path) {
    dialogs.files = {path};
    return program.paramFile.SaveParaFileProc() == 0 ? Done : failed(QStringLiteral("saving ") + path);
  };
  auto open = [&](const QString &path) {
    dialogs.files = {path};
    return program.paramFile.cmdReadParaFile_Click() == 0;
  };

  if (verb == QLatin1String("read")) {
    if (!args.isEmpty())
      return usage(QStringLiteral("params read takes only -o FILE"));
    if (program.paramTransfer.cmdParaRead_Click() != 0)
      return failed(QStringLiteral("params read"));
    printParams();
    return save.isEmpty() ? Done : saveTo(save);
  }
  if (verb == QLatin1String("write")) {
    if (args.size() != 1 || !save.isEmpty())
      return usage(QStringLiteral("params write takes one FILE and --current A"));
    if (!open(args[0]))
      return failed(QStringLiteral("opening ") + args[0]);
    if (!takeCurrent())
      return Failed;
    return program.paramTransfer.cmdParaWrite_Click() == 0 ? Done : failed(QStringLiteral("params write"));
  }
  if (verb == QLatin1String("verify")) {
    if (args.size() != 1 || !save.isEmpty())
      return usage(QStringLiteral("params verify takes one FILE"));
    if (!open(args[0]))
      return failed(QStringLiteral("opening ") + args[0]);
    if (!takeCurrent())
      return Failed;
    const qint16 verified = program.verification.cmdConpareCT_Click();
    for (const verify::Difference &d : program.verification.differences())
      differences.append(QJsonObject{{"group", paramdiff::GroupName(d.group)}, {"name", d.name},
                                     {"file", jsonValue(d.screen)}, {"controller", jsonValue(d.reference)}});
    switch (verified) {
    case 0: return Done;
    case 1: return Differs;
    default: return failed(QStringLiteral("params verify"));
    }
  }
  if (verb == QLatin1String("standard")) {
    const bool encoder = args.removeAll(QStringLiteral("--encoder")) > 0;
    static const QStringList sizes{"28", "35", "42", "SP"};
    if (args.size() != 1 || !sizes.contains(args[0]) || save.isEmpty())
      return usage(QStringLiteral("params standard takes SIZE (28, 35, 42, SP), --encoder and -o FILE"));
    // As the device dialog leaves its choice before the standard set is loaded.
    page.DevChoice = {args[0], QStringLiteral("L"), 100};
    page.DevPgUse = encoder;
    if (page.LoadStdPara() != 0)
      return failed(QStringLiteral("params standard"));
    page.ParametaHyoji();
    return saveTo(save);
  }
  if (verb == QLatin1String("diff"))
    return save.isEmpty() ? diff(args) : usage(QStringLiteral("params diff takes no -o; print diff makes a PDF"));
  return usage(QStringLiteral("params takes read, write, verify, standard or diff"));
}

int Cli::diff(QStringList args) {
  const bool all = args.removeAll(QStringLiteral("--all")) > 0;
  const bool encoder = args.removeAll(QStringLiteral("--encoder")) > 0;
  const bool controller = args.removeAll(QStringLiteral("--controller")) > 0;
  QString size;
  if (const qsizetype i = args.indexOf(QStringLiteral("--standard")); i >= 0) {
    size = args.value(i + 1);
    args.remove(i, std::min<qsizetype>(2, args.size() - i));
    if (!stdlists::ActSizes().contains(size))
      return usage(QStringLiteral("--standard takes a SIZE: 28, 35, 42 or SP"));
  }
  using Source = ParamCompare::Source;
  ParamCompare::Side b;
  if (controller && size.isEmpty() && args.size() == 1)
    b = ParamCompare::Side::of(Source::Controller);
  else if (!size.isEmpty() && !controller && args.size() == 1)
    b = ParamCompare::Side::standard(size, encoder);
  else if (!controller && size.isEmpty() && args.size() == 2)
    b = ParamCompare::Side::file(args[1]);
  else
    return usage(QStringLiteral("params diff takes A.pmt and one of B.pmt, --standard SIZE, --controller"));
  if (encoder && b.source != Source::Standard)
    return usage(QStringLiteral("--encoder belongs to --standard"));
  ParamCompare &compare = program.compare;
  const qint16 r = compare.compare(ParamCompare::Side::file(args[0]), b);
  if (r < 0)
    return failed(QStringLiteral("params diff"));
  if (!json) {
    out() << paramdiff::Lines(compare.report().rows, all) << Qt::flush;
    return r == 0 ? Done : Differs;
  }
  QJsonArray every;
  for (const paramdiff::Row &row : compare.report().rows) {
    const QJsonObject o{{"group", paramdiff::GroupName(row.group)}, {"name", row.name},
                        {"a", jsonValue(row.a)}, {"b", jsonValue(row.b)}};
    if (row.differs)
      differences.append(o);
    if (all) {
      QJsonObject e = o;
      e.insert("differs", row.differs);
      every.append(e);
    }
  }
  if (all)
    values.insert("parameters", every);
  return r == 0 ? Done : Differs;
}

} // namespace

int main(int argc, char *argv[]) {
  // Made first so that it is given back after the last output is flushed.
  static const console::Session session;
  // Reports are drawn with fonts, which need a GUI application; it never
  // shows anything, so it needs no display.
  bool pages = false;
  for (int i = 1; i < argc; ++i)
    pages = pages || std::strcmp(argv[i], "print") == 0;
  if (pages)
    qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::unique_ptr<QCoreApplication> application(pages ? new QGuiApplication(argc, argv)
                                                            : new QCoreApplication(argc, argv));
  QCoreApplication &app = *application;
  const QString versionText =
      QStringLiteral("%1.%2.%3").arg(KOV_VERSION_MAJOR).arg(KOV_VERSION_MINOR).arg(KOV_VERSION_PATCH);
  QStringList args = app.arguments().mid(1);

  ConsoleDialogs dialogs;
  bool trace = false, json = false;
  QString device, record;
  std::optional<qint16> port, lang;
  QStringList passed; // the options a batch gives each of its steps
  bool simulator = false;
  while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
    const QString opt = args.takeFirst();
    if (opt == QLatin1String("--help")) {
      out() << Overview;
      return Done;
    }
    if (opt == QLatin1String("--version")) {
      out() << "kov-t6-cli " << versionText << Qt::endl;
      return Done;
    }
    if (opt == QLatin1String("--trace")) {
      trace = true;
    } else if (opt == QLatin1String("--json")) {
      json = true;
    } else if (opt == QLatin1String("--record")) {
      if (args.isEmpty())
        return usage(QStringLiteral("--record needs a FILE.csv"));
      record = args.takeFirst();
    } else if (opt == QLatin1String("--yes")) {
      dialogs.yes = true;
    } else if (opt == QLatin1String("--simulator")) {
      simulator = true;
    } else if (opt == QLatin1String("--device")) {
      if (args.isEmpty())
        return usage(QStringLiteral("--device needs a PATH"));
      device = args.takeFirst();
    } else if (opt == QLatin1String("--port")) {
      bool ok = false;
      const int n = args.isEmpty() ? 0 : args.takeFirst().toInt(&ok);
      if (!ok || n < 1 || n > 32)
        return usage(QStringLiteral("--port needs a number from 1 to 32"));
      port = qint16(n);
    } else if (opt == QLatin1String("--timeout-scale")) {
      bool ok = false;
      const double f = args.isEmpty() ? 0 : args.takeFirst().toDouble(&ok);
      if (!ok || !std::isfinite(f) || f < 0.001 || f > 100)
        return usage(QStringLiteral("--timeout-scale takes a factor from 0.001 to 100"));
      Link::setTimeoutScale(f);
      passed << opt << QString::number(f);
    } else if (opt == QLatin1String("--lang")) {
      const QString l = args.isEmpty() ? QString() : args.takeFirst();
      if (l != QLatin1String("ja") && l != QLatin1String("en"))
        return usage(QStringLiteral("--lang takes ja or en"));
      lang = qint16(l == QLatin1String("ja") ? 1 : 2);
      passed << opt << l;
    } else {
      return usage(QStringLiteral("unknown option '%1'").arg(opt));
    }
  }
  if (int(simulator) + int(!device.isEmpty()) + int(port.has_value()) > 1)
    return usage(QStringLiteral("choose one of --device, --port and --simulator"));
  if (args.isEmpty())
    return usage(QStringLiteral("a COMMAND is needed"));
  const QString command = args.takeFirst();
  if (args.contains(QLatin1String("--help"))) {
    for (const CommandHelp &h : Helps)
      if (command == QLatin1String(h.name)) {
        out() << h.text;
        return Done;
      }
    return usage(QStringLiteral("unknown command '%1'").arg(command));
  }

  Cli cli(dialogs);
  if (command == QLatin1String("batch")) {
    if (simulator || !device.isEmpty() || port || trace || dialogs.yes)
      return usage(QStringLiteral("batch takes its lines from the plan and answers Yes itself; "
                                  "--device, --port, --simulator, --trace and --yes do not belong to it"));
    batch::Options o;
    o.json = json;
    o.record = record;
    o.childOptions = passed;
    while (!args.isEmpty()) {
      const QString a = args.takeFirst();
      if (a == QLatin1String("--jobs")) {
        bool ok = false;
        o.jobs = args.isEmpty() ? 0 : args.takeFirst().toInt(&ok);
        if (!ok || o.jobs < 1)
          return usage(QStringLiteral("--jobs takes a number of lines from 1"));
      } else if (o.plan.isEmpty() && !a.startsWith(u'-')) {
        o.plan = a;
      } else {
        return usage(QStringLiteral("batch takes PLAN.csv and --jobs N"));
      }
    }
    if (o.plan.isEmpty())
      return usage(QStringLiteral("batch needs a PLAN.csv"));
    cli.program.languageOverride = lang;
    cli.program.Main(false);
    o.langBase = cli.program.m.messages().langBase();
    return batch::Run(o);
  }
  auto prepare = [&](Cli &c) {
    c.trace = trace;
    c.json = json;
    c.record = record;
    c.program.deviceOverride = device;
    c.program.portOverride = port;
    c.program.languageOverride = lang;
    if (simulator) {
      c.simulated.sim()->setPaced(true); // as slow as a controller's line
      c.program.link.setDevice(&c.simulated);
    }
  };
  if (command == QLatin1String("batch-line")) {
    // A batch's line: one step a JSON array of words on standard input, each
    // run afresh as its own kov-t6-cli would, its object on standard output;
    // the line's process stays, so that its start costs once, not a step.
    {
      // A first run of the code a step uses, against the built-in simulator:
      // what a process pays on a path's first use is paid here, before the
      // line is ready, not in the middle of its first exchanges. Its words
      // come before "ready", which the batch does not read as a step's.
      ConsoleDialogs quiet;
      Cli warm(quiet);
      warm.json = true;
      warm.program.link.setDevice(&warm.simulated);
      warm.run(QStringLiteral("params"), {QStringLiteral("read")});
    }
    out() << "{\"ready\":true}" << Qt::endl;
    QTextStream in(stdin);
    for (QString step; in.readLineInto(&step);) {
      QStringList words;
      for (const QJsonValue &w : QJsonDocument::fromJson(step.toUtf8()).array())
        words << w.toString();
      if (words.isEmpty())
        continue;
      ownFailure().clear();
      ConsoleDialogs stepDialogs;
      stepDialogs.yes = dialogs.yes;
      Cli c(stepDialogs);
      prepare(c);
      const QString name = words.takeFirst();
      c.run(name, words);
    }
    return Done;
  }
  prepare(cli);
  return cli.run(command, args);
}
