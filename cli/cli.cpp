#include "cli.h"
#include "batch.h"
#include "interrupt.h"
#include "record.h"

#include "pdftarget.h"
#include "portprobe.h"
#include "tcpportdevice.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace cli {

QTextStream &out() {
  static QTextStream s(stdout);
  return s;
}

QString &Cli::ownFailure() {
  static QString text;
  return text;
}

namespace {

// A value as JSON: a number when the text is one, else the text.
QJsonValue jsonValue(const QString &text) {
  static const QRegularExpression number(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
  return number.match(text).hasMatch() ? QJsonValue(text.toDouble()) : QJsonValue(text);
}

QJsonObject jsonSummary(const movestats::Summary &s) {
  return {{"count", s.count}, {"min", s.min}, {"median", s.median}, {"mean", s.mean}, {"max", s.max}, {"sd", s.sd}};
}

} // namespace

int Cli::usage(const QString &problem) {
  ownFailure() = QStringLiteral("kov-t6-cli: ") + problem + QStringLiteral(" (see kov-t6-cli --help)");
  QTextStream(stderr) << ownFailure() << "\n";
  return Usage;
}

void Cli::useLine() {
  // The ports as Main mapped them, --device included.
  line->portMap() = program.serialPort.portMap();
  line->network().setTexts([msg = program.m.messages()](int n) { return msg.text(n); });
  // What arrived after the last step's reply answers nothing of this step's.
  if (line->isOpen())
    line->readAll();
  // The line is the batch's until its steps end, whatever the settings say.
  program.m.PortOccupy = true;
  program.link.setDevice(line);
}

int Cli::failed(const QString &what) {
  ownFailure() = QStringLiteral("kov-t6-cli: ") + what + QStringLiteral(" failed");
  QTextStream(stderr) << ownFailure() << "\n";
  return Failed;
}

// The end of a command of the program that returned `code`: its outcome
// says what it achieved.
int Cli::finish(int code, const QString &what) {
  Outcome &o = program.dialogs.outcome;
  o.end(code);
  return o.result == Outcome::Result::Done ? Done : o.result == Outcome::Result::Differences ? Differs : failed(what);
}

void Cli::show(const QString &name, const QString &text, const QString &key, bool number) {
  if (json)
    values.insert(key.isEmpty() ? name : key, number ? jsonValue(text) : QJsonValue(text));
  else
    out() << name << ": " << text << '\n';
}

int Cli::run(QStringList words) {
  // A batch step may ask for its own safe write.
  if (words.removeAll(u"--safe"_qs) > 0)
    program.memory.safeOverride = true;
  QElapsedTimer clock;
  clock.start();
  program.Main(false);
  if (!lineName.isEmpty() && !program.memory.useLine(lineName)) {
    if (json)
      out() << QJsonDocument(jsonResult(nullptr, {}, Failed, clock.elapsed())).toJson(QJsonDocument::Compact) << Qt::endl;
    return Failed;
  }
  if (line)
    useLine();
  if (trace) {
    CommLog &log = program.log();
    log.setHidePolling(false);
    log.setRecording(true);
    QObject::connect(&log, &CommLog::appended, &log,
                     [](const QString &line) { QTextStream(stderr) << line << Qt::endl; });
  }
  QString why;
  qsizetype named = 0;
  const Command *command = Find(words, &named, &why);
  std::optional<Args> args;
  if (command)
    args = Parse(*command, words.mid(named), &why);
  if (command && args && !command->framed)
    return (this->*command->run)(*args);
  int result = args ? (this->*command->run)(*args) : usage(why);
  if (!line)
    program.link.CommPortClose();
  // A comparison is the line's history only when the controller was a side.
  qint64 kept = 0;
  if (args && command->kept && result != Usage && (command->name != u"params diff" || args->has("--controller")))
    kept = program.memory.keep(command->name, program.dialogs.outcome);
  if (args && !record.isEmpty() && !writeRecord(*command, *args, result)) {
    result = Failed;
    program.dialogs.outcome.result = Outcome::Result::Failed;
  }
  if (json) {
    QJsonObject o = jsonResult(command, args.value_or(Args{}), result, clock.elapsed());
    if (kept > 0)
      o.insert("history", kept);
    if (!command)
      o.insert("command", words.value(0));
    out() << QJsonDocument(o).toJson(QJsonDocument::Compact) << Qt::endl;
  }
  return result;
}

QJsonObject Cli::jsonResult(const Command *command, const Args &args, int result, qint64 ms) const {
  const int n = program.m.PortNo;
  QJsonObject o{{"command", command ? command->name : QString()},
                {"port", QStringLiteral("COM%1").arg(n)},
                {"device", program.link.deviceName(n)},
                {"ok", result == Done},
                {"exit", result},
                {"elapsed_ms", ms},
                {"values", values}};
  if (const QString file = command ? FileOf(*command, args) : QString(); !file.isEmpty())
    o.insert("file", file);
  const Outcome &outcome = program.dialogs.outcome;
  static const char *const results[] = {"done", "differences", "failed", "cancelled"};
  o.insert("result", results[int(outcome.result)]);
  QJsonArray told;
  for (const int n : outcome.messages)
    told.append(n);
  o.insert("messages", told);
  if (!outcome.controllerVersion.isEmpty())
    o.insert("controller_version", outcome.controllerVersion);
  if (command && (command->name == u"params verify" || command->name == u"params diff" ||
                  command->name == u"check" || command->name == u"history diff" ||
                  !outcome.differences.isEmpty())) {
    // A verification's sides are the file and the controller.
    const bool verify = command->name == u"params verify";
    QJsonArray differences;
    for (const Outcome::Difference &d : outcome.differences)
      differences.append(QJsonObject{{"group", d.group}, {"name", d.name},
                                     {verify ? "file" : "a", jsonValue(d.a)},
                                     {verify ? "controller" : "b", jsonValue(d.b)}});
    o.insert("differences", differences);
  }
  if (result == Usage || result == Failed) {
    // What the operator was told last: a message of the table when there was one.
    const Told told = outcome.told.text.isEmpty() ? Told(ownFailure()) : outcome.told;
    o.insert("error", QJsonObject{{"message", told.numbers.isEmpty() ? QJsonValue() : QJsonValue(told.numbers[0])},
                                  {"text", QString(told.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))}});
  }
  return o;
}

bool Cli::writeRecord(const Command &command, const Args &args, int result) {
  if (!command.recorded)
    return true;
  const QStringList fields =
      record::Fields(jsonResult(&command, args, result, 0), program.link.portLabel(program.m.PortNo));
  QString reason;
  if (!record::Append(this->record, fields, &reason)) {
    QTextStream(stderr) << record << ": " << reason << "\n";
    ownFailure() = QStringLiteral("kov-t6-cli: the commissioning record could not be written");
    QTextStream(stderr) << ownFailure() << '\n';
    return false;
  }
  return true;
}

int Cli::version(const Args &) {
  const int result = finish(program.controller.mnuShowCtversion_Click(), QStringLiteral("version"));
  showValues(false);
  return result;
}

int Cli::status(const Args &) {
  const qint16 s = program.link.ReadCtStatus();
  program.link.CommPortRelease();
  if (s >= 0)
    show(QStringLiteral("status"), QString::number(s));
  return finish(s < 0 ? 1 : 0, QStringLiteral("status"));
}

int Cli::alarmReset(const Args &) {
  return finish(program.controller.cmdRESET_Click(), QStringLiteral("alarm-reset"));
}

// The values the command read, as its outcome tells them.
void Cli::showValues(bool numbers) {
  for (const Outcome::Value &v : program.dialogs.outcome.values)
    show(v.label, v.text, v.key, numbers);
  out() << Qt::flush;
}

int Cli::save(const QString &path, bool params) {
  dialogs.files = {path};
  const bool saved =
      params ? program.paramFile.SaveParaFileProc() == 0 : program.positionFile.SaveFileProc();
  return finish(saved ? 0 : 1, QStringLiteral("saving ") + path);
}

int Cli::indexRead(const Args &args) {
  if (const int read = finish(program.indexData.cmdGetfromCt_Click(), QStringLiteral("index read")); read != Done)
    return read;
  showValues();
  return args.has("-o") ? save(args.value("-o"), false) : Done;
}

int Cli::indexWrite(const Args &args) {
  dialogs.files = {args.words[0]};
  if (const int opened = finish(program.positionFile.FileOpenProc(), QStringLiteral("opening ") + args.words[0]);
      opened != Done)
    return opened;
  return finish(program.indexData.LoadtoCtMain(), QStringLiteral("index write"));
}

// The command line changes the special parameters as they stand.
void Cli::unlockSpecial() { program.params.unlockSpecialConfirmed(); }

int Cli::paramsRead(const Args &args) {
  unlockSpecial();
  if (const int read = finish(program.paramTransfer.cmdParaRead_Click(), QStringLiteral("params read")); read != Done)
    return read;
  showValues();
  return args.has("-o") ? save(args.value("-o"), true) : Done;
}

// The file into the parameter page, with --current for size SP; false when
// size SP is left without a motor current.
bool Cli::openWithCurrent(const Args &args) {
  unlockSpecial();
  dialogs.files = {args.words[0]};
  if (finish(program.paramFile.cmdReadParaFile_Click(), QStringLiteral("opening ") + args.words[0]) != Done)
    return false;
  if (const QString current = args.value("--current"); !current.isEmpty()) {
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
}

int Cli::paramsWrite(const Args &args) {
  if (!openWithCurrent(args))
    return Failed;
  return finish(program.paramTransfer.cmdParaWrite_Click(), QStringLiteral("params write"));
}

int Cli::paramsVerify(const Args &args) {
  if (!openWithCurrent(args))
    return Failed;
  return finish(program.verification.cmdConpareCT_Click(), QStringLiteral("params verify"));
}

int Cli::paramsStandard(const Args &args) {
  ParameterPage &page = program.params;
  unlockSpecial();
  // As the device dialog leaves its choice before the standard set is loaded.
  page.DevChoice = {args.words[0], QStringLiteral("L"), 100};
  page.DevPgUse = args.has("--encoder");
  if (const int loaded = finish(page.LoadStdPara(), QStringLiteral("params standard")); loaded != Done)
    return loaded;
  page.ParametaHyoji();
  return save(args.value("-o"), true);
}

int Cli::paramsDiff(const Args &args) {
  unlockSpecial();
  using Side = ParamCompare::Side;
  const Side b = args.has("--controller") ? Side::of(ParamCompare::Source::Controller)
                 : args.has("--standard") ? Side::standard(args.value("--standard"), args.has("--encoder"))
                                          : Side::file(args.words[1]);
  ParamCompare &compare = program.compare;
  const int result = finish(compare.compare(Side::file(args.words[0]), b), QStringLiteral("params diff"));
  if (result == Failed)
    return result;
  const bool all = args.has("--all");
  if (!json) {
    out() << paramdiff::Lines(compare.report().rows, all) << Qt::flush;
  } else if (all) {
    QJsonArray every;
    for (const paramdiff::Row &row : compare.report().rows)
      every.append(QJsonObject{{"group", paramdiff::GroupName(row.group)}, {"name", row.name},
                               {"a", jsonValue(row.a)}, {"b", jsonValue(row.b)}, {"differs", row.differs}});
    values.insert("parameters", every);
  }
  return result;
}

int Cli::home(const Args &) {
  // Ctrl+C is the second press of Home: the waiting ends.
  Interrupt interrupt([this] { program.motion.cmdHOME_Click(); });
  dialogs.reworded.insert(program.m.msg(5216), program.m.msg(5217));
  return finish(program.motion.cmdHOME_Click(), QStringLiteral("home"));
}

int Cli::move(const Args &args) {
  FrmMain &f = program.frmMain;
  const int count = args.has("--count") ? args.value("--count").toInt() : 0;
  const bool csv = args.has("--csv") && !json; // --json holds the moves itself
  (args.has("--step") ? f.optSTEP : f.optCNT).setChecked(true);
  f.chkTimerUse.setChecked(args.has("--dwell"));
  if (args.has("--dwell"))
    f.txtTimer.setText(QString::number(args.value("--dwell").toInt()));
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
  const int result = finish(motion.cmdMOVE_Click(), QStringLiteral("move"));
  if (csv)
    printCsv(true);
  if (json) {
    QJsonArray list;
    for (const MoveStats::Move &m : moves.moves())
      list.append(QJsonObject{{"move", m.number}, {"move_ms", m.moveMs},
                              {"cycle_ms", m.cycleMs >= 0 ? QJsonValue(m.cycleMs) : QJsonValue()}});
    values = {{"moves", list}, {"move_ms", jsonSummary(moves.moveSummary())},
              {"cycle_ms", jsonSummary(moves.cycleSummary())}};
  } else if (args.has("--stats")) {
    const QString summary = moves.summaryText(program.m.messages());
    if (csv)
      QTextStream(stderr) << summary;
    else
      out() << summary << Qt::flush;
  }
  return result;
}

int Cli::io(const Args &args) {
  const bool csv = args.has("--csv");
  const double seconds = args.has("--seconds") ? args.value("--seconds").toDouble() : 0;
  IoMonitor &io = program.io;
  bool stopAsked = false;
  if (csv && !json)
    out() << "ms,STB,RES,ALM,RDY,IN-P,OUT2,OUT1" << Qt::endl;
  int ticks = 0;
  // The run's time, like the monitor's, starts at its first reading.
  QTimer timeUp;
  timeUp.setSingleShot(true);
  timeUp.setTimerType(Qt::PreciseTimer);
  QObject::connect(&io, &IoMonitor::ticked, &io, [&] {
    ++ticks;
    QStringList states;
    QJsonObject jsonStates;
    for (int row = 0; row < 7; ++row) {
      states << (csv ? QString() : IoSignalName(row) + u'=') + QString::number(io.isOn(row) ? 1 : 0);
      jsonStates.insert(IoSignalName(row), io.isOn(row) ? 1 : 0);
    }
    if (json)
      values.insert("states", jsonStates);
    else
      out() << (csv ? QString::number(io.runMs()) + u',' + states.join(u',') : states.join(u' ')) << Qt::endl;
    if (ticks > 1)
      return;
    // Each toggle after the first read, as a double-click on that lamp.
    for (const QString &signal : args.values("--toggle"))
      io.outputLamp_DblClick(IoMonitor::rowOf(signal));
    if (seconds > 0)
      timeUp.start(int(std::lround(seconds * 1000)));
  });
  auto stop = [&] {
    stopAsked = true;
    if (io.IoMonitoring && !io.IoStopRequest)
      io.cmdIoMonitor_Click();
  };
  QEventLoop loop;
  QObject::connect(&io, &IoMonitor::stopped, &loop, &QEventLoop::quit);
  Interrupt interrupt(stop);
  QObject::connect(&timeUp, &QTimer::timeout, &io, stop);
  io.cmdIoMonitor_Click();
  loop.exec();
  if (json) {
    QJsonArray changes;
    for (const IoHistory::Change &c : io.history().changes())
      changes.append(QJsonObject{{"ms", c.ms}, {"signal", IoSignalName(c.row)}, {"state", c.on ? 1 : 0}});
    values.insert("ticks", ticks);
    values.insert("changes", changes);
    values.insert("dropped", io.history().dropped());
  }
  // Stopped before a single reading, it watched nothing.
  if (stopAsked && ticks == 0)
    program.dialogs.message(program.m.told(5350));
  return finish(stopAsked && ticks > 0 ? 0 : 1, QStringLiteral("io"));
}

int Cli::ports(const Args &) {
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
  return finish(0, QStringLiteral("ports"));
}

int Cli::printIndex(const Args &args) { return printReport(args, true); }
int Cli::printParams(const Args &args) { return printReport(args, false); }

int Cli::printReport(const Args &args, bool index) {
  const QString file = args.words[0], pdfPath = args.value("-o");
  values.insert("pdf", pdfPath);
  PdfTarget pdf(pdfPath);
  program.print.target = &pdf;
  const qint16 r = index ? program.print.printIndexFile(file) : program.print.printParamFile(file);
  program.print.target = nullptr;
  if (r == 0 && !pdf.failure.isEmpty())
    QTextStream(stderr) << pdfPath << ": " << pdf.failure << "\n";
  return finish(r == 0 && pdf.failure.isEmpty() ? 0 : 1, QStringLiteral("printing ") + file);
}

int Cli::printDiff(const Args &args) {
  ParamCompare &compare = program.compare;
  const qint16 compared =
      compare.compare(ParamCompare::Side::file(args.words[0]), ParamCompare::Side::file(args.words[1]));
  if (finish(compared, QStringLiteral("comparing")) == Failed)
    return Failed;
  values.insert("pdf", args.value("-o"));
  return finish(program.print.saveComparisonPdf(compare, args.value("-o")), QStringLiteral("printing"));
}

int Cli::batch(const Args &args) {
  batch::Options o;
  o.plan = args.words[0];
  o.jobs = args.has("--jobs") ? args.value("--jobs").toInt() : 0;
  o.json = json;
  o.record = record;
  o.childOptions = passed;
  o.langBase = program.m.messages().langBase();
  {
    // Closed before the lines start. Held open through the batch, it made a
    // line miss its peer's hang-up between two steps (tst_cli's
    // batchKeepsItsLine, most runs on a busy machine); why is not understood.
    HistoryDb db(program.store.text(QStringLiteral("HistoryDatabase")));
    for (const HistoryDb::Line &l : db.lines())
      o.named << l.name;
  }
  return batch::Run(o);
}

} // namespace cli
