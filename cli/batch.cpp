#include "batch.h"
#include "commands.h"
#include "console.h"
#include "interrupt.h"
#include "messagetable.h"
#include "record.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace batch {

namespace {

// CSV rows with the row each starts on; a quoted field may hold commas,
// doubled quotes and line breaks.
struct CsvRow {
  int row;
  QStringList fields;
};

std::optional<QList<CsvRow>> SplitCsv(const QString &text, QString *error) {
  QList<CsvRow> rows;
  CsvRow current{1, {}};
  QString field;
  bool quoted = false, any = false;
  int row = 1, quoteRow = 1, quoteColumn = 1;
  auto endRow = [&] {
    if (any || !field.isEmpty() || !current.fields.isEmpty()) {
      current.fields << field;
      rows << current;
    }
    field.clear();
    current = {row + 1, {}};
    any = false;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        field += u'"';
        ++i;
      } else if (c == u'"') {
        quoted = false;
      } else {
        if (c == u'\n')
          ++row;
        field += c;
      }
    } else if (c == u'"') {
      quoted = any = true;
      quoteRow = row;
      quoteColumn = int(current.fields.size()) + 1;
    } else if (c == u',') {
      current.fields << field;
      field.clear();
      any = true;
    } else if (c == u'\n') {
      endRow();
      ++row;
    } else if (c != u'\r') {
      field += c;
    }
  }
  if (quoted) {
    *error = QStringLiteral("row %1, column %2: a quoted field is not closed").arg(quoteRow).arg(quoteColumn);
    return std::nullopt;
  }
  endRow();
  return rows;
}

// Columns a text takes on a terminal: wide East Asian characters two.
qsizetype Columns(const QString &s) {
  qsizetype n = 0;
  for (const QChar c : s) {
    const char16_t u = c.unicode();
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
                      (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                      (u >= 0xFFE0 && u <= 0xFFE6);
    n += wide ? 2 : 1;
  }
  return n;
}

// A text cut to `columns` terminal columns, "…" where it was cut.
QString Cut(const QString &s, qsizetype columns) {
  if (Columns(s) <= columns)
    return s;
  QString t = s;
  while (!t.isEmpty() && Columns(t) > columns - 1)
    t.chop(1);
  return t + u'…';
}

bool IsPortNumber(const QString &s, int *n) {
  bool ok = false;
  *n = s.toInt(&ok);
  return ok && *n >= 1 && *n <= 32 && !s.startsWith(u'+');
}

} // namespace

std::optional<QList<Line>> ParsePlan(const QByteArray &csv, QString *error, const QStringList &named) {
  const auto rows = SplitCsv(QString::fromUtf8(csv), error);
  if (!rows)
    return std::nullopt;
  auto fail = [error](int row, int column, const QString &why) {
    *error = QStringLiteral("row %1, column %2: %3").arg(row).arg(column).arg(why);
    return std::nullopt;
  };
  QList<Line> lines;
  QHash<QString, int> seen;
  bool header = false;
  for (const CsvRow &r : *rows) {
    const QString first = r.fields.value(0).trimmed();
    if ((r.fields.size() == 1 && first.isEmpty()) || first.startsWith(u'#'))
      continue;
    if (!header) {
      if (r.fields.size() != 2 || first != u"line" || r.fields[1].trimmed() != u"steps")
        return fail(r.row, 1, QStringLiteral("the plan starts with the header \"line,steps\""));
      header = true;
      continue;
    }
    if (r.fields.size() != 2)
      return fail(r.row, r.fields.size() < 2 ? r.fields.size() + 1 : 3,
                  QStringLiteral("a row has two columns, line and steps"));
    int port = 0;
    if (first.isEmpty())
      return fail(r.row, 1, QStringLiteral("no line"));
    if (!IsPortNumber(first, &port) && !first.startsWith(u'/') && !first.startsWith(QLatin1String("tcp://")) &&
        !first.startsWith(QLatin1String("rfc2217://")) && !named.contains(first))
      return fail(r.row, 1,
                  QStringLiteral("'%1' is no device path, tcp:// or rfc2217:// URL, port number 1 to 32 or named line")
                      .arg(first));
    if (seen.contains(first))
      return fail(r.row, 1, QStringLiteral("%1 is already the line of row %2").arg(first).arg(seen[first]));
    seen.insert(first, r.row);
    Line line{r.row, first, {}};
    const QStringList steps = r.fields[1].split(u';');
    for (qsizetype i = 0; i < steps.size(); ++i) {
      const QStringList words = steps[i].split(u' ', Qt::SkipEmptyParts);
      if (words.isEmpty() && i == steps.size() - 1 && i > 0)
        continue; // a ";" after the last step
      if (const QString why = cli::CheckStep(words); !why.isEmpty())
        return fail(r.row, 2, QStringLiteral("step %1: %2").arg(i + 1).arg(why));
      line.steps << words;
    }
    lines << line;
  }
  if (lines.isEmpty()) {
    *error = header ? QStringLiteral("the plan has no line") : QStringLiteral("the plan is empty");
    return std::nullopt;
  }
  return lines;
}

namespace {

enum class State { Waiting, Running, Ok, Ng, Failed, Stopped };

struct Progress {
  const Line *plan = nullptr;
  State state = State::Waiting;
  int step = 0; // the step running, or the next
  bool differed = false;
  QElapsedTimer stepClock, lineClock;
  qint64 lineMs = 0;
  QProcess *process = nullptr;
  bool ready = false;    // the line's process waits for its steps
  bool inFlight = false; // a step was sent and has not answered
  QByteArray pending;    // output short of a whole line
  QByteArray errors;     // the end of its messages, read as they come so that it never blocks
  QJsonArray results;
  QString reason; // why the line is NG or failed, from its first such step
};

// Why a step did not pass, in one line: the first line of its failure, or
// how many differences it found and the first names.
QString StepReason(const QJsonObject &r, const Messages &msg) {
  if (r["exit"].toInt(3) != 1)
    return r["error"].toObject()["text"].toString().section(u'\n', 0, 0).trimmed();
  const QJsonArray differences = r["differences"].toArray();
  QStringList names;
  for (const QJsonValue &d : differences) {
    if (names.size() == 3) {
      names << QStringLiteral("…");
      break;
    }
    names << (d["group"].toString() + u' ' + d["name"].toString()).trimmed();
  }
  return msg.text(differences.size() == 1 ? 5303 : 5304).arg(differences.size()).arg(names.join(u", "));
}

class Runner {
public:
  Runner(const Options &o, const QList<Line> &plan) : o_(o), msg_(o.langBase) {
    for (const Line &l : plan) {
      Progress p;
      p.plan = &l;
      lines_.append(p);
    }
  }

  int run() {
    const bool table = table_;
    QTimer redraw;
    if (table) {
      QObject::connect(&redraw, &QTimer::timeout, [this] { drawTable(); });
      redraw.start(250);
    }
    Interrupt interrupt([this] { stop(); });
    const int jobs = o_.jobs > 0 ? o_.jobs : int(lines_.size());
    gate_ = true;
    for (qsizetype i = 0; i < lines_.size() && i < jobs; ++i)
      startLine(lines_[i]);
    if (running() > 0)
      loop_.exec();
    if (table)
      drawTable();
    for (QProcess *proc : std::as_const(ending_)) {
      proc->waitForFinished(10000);
      delete proc;
    }
    return summary();
  }

private:
  int running() const {
    int n = 0;
    for (const Progress &p : lines_)
      n += p.state == State::Running;
    return n;
  }

  // As the table shows it: in the run's language, OK and NG as they are.
  QString stateText(const Progress &p) const {
    switch (p.state) {
    case State::Waiting: return msg_.text(5297);
    case State::Running: return msg_.text(5298);
    case State::Failed: return msg_.text(5300);
    case State::Stopped: return msg_.text(5299);
    default: return stateKey(p.state);
    }
  }

  void startLine(Progress &p) {
    p.state = State::Running;
    p.lineClock.start();
    QProcess *proc = p.process = new QProcess;
    // Its own process group: Ctrl+C at the terminal reaches the batch
    // alone, which lets each running step finish.
#ifdef Q_OS_WIN
    proc->setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *a) { a->flags |= CREATE_NEW_PROCESS_GROUP; });
#else
    proc->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    QObject::connect(proc, &QProcess::readyReadStandardOutput, proc, [this, &p, proc] {
      if (p.process != proc)
        return; // the line has ended
      p.pending += proc->readAllStandardOutput();
      for (qsizetype nl; (nl = p.pending.indexOf('\n')) >= 0;) {
        const QJsonObject o = QJsonDocument::fromJson(p.pending.left(nl)).object();
        p.pending.remove(0, nl + 1);
        if (o["ready"].toBool()) {
          p.ready = true;
          begin();
        } else if (p.inFlight) {
          stepEnded(p, o);
        }
      }
    });
    QObject::connect(proc, &QProcess::readyReadStandardError, proc, [&p, proc] {
      p.errors = (p.errors + proc->readAllStandardError()).right(4096);
    });
    QObject::connect(proc, &QProcess::finished, proc, [this, &p] { processEnded(p); });
    QObject::connect(proc, &QProcess::errorOccurred, proc, [this, &p](QProcess::ProcessError e) {
      if (e == QProcess::FailedToStart)
        processEnded(p);
    });
    int port = 0;
    const QString &line = p.plan->line;
    const QStringList where = o_.named.contains(line)    ? QStringList{"--line", line}
                              : IsPortNumber(line, &port) ? QStringList{"--port", line}
                                                          : QStringList{"--device", line};
    proc->start(QCoreApplication::applicationFilePath(),
                     where + QStringList{"--yes", "--json"} + o_.childOptions + QStringList{"batch-line"});
  }

  // The lines ready begin their first steps; the first lines all at once,
  // when none is still starting, so that no start competes with their reads.
  void begin() {
    if (gate_)
      for (const Progress &p : lines_)
        if (p.state == State::Running && !p.ready)
          return;
    gate_ = false;
    // A few milliseconds apart, so that the lines' exchanges do not all
    // wake in the same instant.
    int spread = 0;
    for (Progress &p : lines_)
      if (p.state == State::Running && p.ready && p.step == 0 && !p.inFlight) {
        p.inFlight = true; // from now on: the step is on its way
        QTimer::singleShot(3 * spread++, p.process, [this, &p, proc = p.process] {
          if (p.process != proc || p.state != State::Running)
            return; // the line ended meanwhile
          if (stopping_)
            lineEnded(p, State::Stopped);
          else
            startStep(p);
        });
      }
  }

  void startStep(Progress &p) {
    p.stepClock.start();
    p.inFlight = true;
    p.process->write(QJsonDocument(QJsonArray::fromStringList(p.plan->steps[p.step])).toJson(QJsonDocument::Compact) +
                     '\n');
  }

  // The line's process is gone: a step under way, or the start, failed.
  void processEnded(Progress &p) {
    if (p.state != State::Running || !p.process)
      return;
    const QList<QByteArray> err = (p.errors + p.process->readAllStandardError()).trimmed().split('\n');
    const QJsonObject r{{"command", p.plan->steps[p.step].mid(0, 2).join(u' ')}, {"ok", false}, {"exit", 3},
                        {"error", QJsonObject{{"message", QJsonValue()}, {"text", QString::fromUtf8(err.last())}}}};
    p.inFlight = true;
    stepEnded(p, r);
    begin(); // a line that never started holds the others no longer
  }

  void stepEnded(Progress &p, QJsonObject r) {
    p.inFlight = false;
    r.insert("step", p.step + 1);
    const int code = r["exit"].toInt(3);
    p.results.append(r);
    const qint64 ms = p.stepClock.elapsed();
    if (!o_.record.isEmpty())
      writeRecord(p, r);
    if (!o_.json && !table_) {
      QTextStream out(stdout);
      out << p.plan->line << ": " << msg_.text(5294) << ' ' << p.step + 1 << '/' << p.plan->steps.size() << ' '
          << p.plan->steps[p.step].join(u' ') << ": "
          << (code == 0 ? QStringLiteral("OK") : code == 1 ? QStringLiteral("NG") : msg_.text(5300)) << " ("
          << QString::number(double(ms) / 1000.0, 'f', 2) << " s)";
      if (const QString why = code != 0 ? StepReason(r, msg_) : QString(); !why.isEmpty())
        out << ": " << why;
      out << Qt::endl;
    }
    p.differed = p.differed || code == 1;
    if (code != 0 && p.reason.isEmpty())
      p.reason = StepReason(r, msg_);
    ++p.step;
    if (code != 0 && code != 1)
      lineEnded(p, State::Failed);
    else if (p.step == p.plan->steps.size())
      lineEnded(p, p.differed ? State::Ng : State::Ok);
    else if (stopping_)
      lineEnded(p, State::Stopped);
    else
      startStep(p);
  }

  void lineEnded(Progress &p, State s) {
    p.state = s;
    p.lineMs = p.lineClock.elapsed();
    // No more steps: the process ends at the end of its input.
    p.process->closeWriteChannel();
    ending_ << p.process;
    p.process = nullptr;
    if (o_.json)
      QTextStream(stdout) << QJsonDocument(QJsonObject{{"line", p.plan->line},
                                                       {"row", p.plan->row},
                                                       {"state", stateKey(s)},
                                                       {"steps", p.results}})
                                 .toJson(QJsonDocument::Compact)
                          << Qt::endl;
    if (!stopping_)
      for (Progress &next : lines_)
        if (next.state == State::Waiting) {
          startLine(next);
          break;
        }
    if (running() == 0)
      loop_.quit();
  }

  static QString stateKey(State s) {
    switch (s) {
    case State::Ok: return QStringLiteral("OK");
    case State::Ng: return QStringLiteral("NG");
    case State::Failed: return QStringLiteral("failed");
    case State::Stopped: return QStringLiteral("stopped");
    default: return QStringLiteral("waiting");
    }
  }

  void stop() {
    if (stopping_)
      return;
    stopping_ = true;
    if (!table_) // the table shows it below its rows
      QTextStream(stderr) << msg_.text(5302) << Qt::endl;
    for (Progress &p : lines_)
      if (p.state == State::Waiting)
        p.state = State::Stopped;
      else if (p.state == State::Running && !p.inFlight)
        lineEnded(p, State::Stopped); // started, but no step yet
    if (running() == 0)
      loop_.quit();
  }

  void writeRecord(const Progress &p, const QJsonObject &r) {
    const QString port = r["port"].toString() + (r.contains("device") ? u" — "_qs + r["device"].toString() : QString());
    QString reason;
    if (!record::Append(o_.record, record::Fields(r, port), &reason)) {
      QTextStream(stderr) << o_.record << ": " << reason << "\n"
                          << p.plan->line << ": kov-t6-cli: the commissioning record could not be written\n";
      recordFailed_ = true;
    }
  }

  // The live table: a row a line, redrawn in place.
  void drawTable() {
    constexpr int Cols = 5;
    QStringList rows{msg_.text(5293), msg_.text(5294), msg_.text(5295), msg_.text(5296), msg_.text(5305)};
    QList<QStringList> table{rows};
    for (const Progress &p : lines_) {
      // A failed line shows the step that failed; others the step running or next.
      const int shown = p.state == State::Failed ? p.step - 1 : std::min<int>(p.step, int(p.plan->steps.size()) - 1);
      const qint64 ms = p.state == State::Running ? p.lineClock.elapsed() : p.lineMs;
      table << QStringList{p.plan->line,
                           QStringLiteral("%1/%2 %3").arg(shown + 1).arg(p.plan->steps.size())
                               .arg(p.plan->steps[shown].join(u' ')),
                           stateText(p),
                           p.state == State::Waiting ? QString() : QString::number(double(ms) / 1000.0, 'f', 1) + QStringLiteral(" s"),
                           Cut(p.reason, 60)};
    }
    QList<qsizetype> widths(Cols, 0);
    for (const QStringList &r : table)
      for (int c = 0; c < Cols; ++c)
        widths[c] = std::max(widths[c], Columns(r[c]));
    QTextStream out(stdout);
    if (drawn_ > 0)
      out << "\x1b[" << drawn_ << 'A';
    for (const QStringList &r : table) {
      out << "\x1b[2K";
      for (int c = 0; c < Cols; ++c)
        out << r[c] << QString(widths[c] + 2 - Columns(r[c]), u' ');
      out << '\n';
    }
    drawn_ = int(table.size());
    if (stopping_) {
      out << "\x1b[2K" << msg_.text(5302) << '\n';
      ++drawn_;
    }
    out.flush();
  }

  int summary() {
    int ok = 0, ng = 0, failed = 0, stopped = 0;
    for (const Progress &p : lines_) {
      ok += p.state == State::Ok;
      ng += p.state == State::Ng;
      failed += p.state == State::Failed;
      stopped += p.state == State::Stopped;
    }
    const int exit = failed > 0 || stopped > 0 || recordFailed_ ? 3 : ng > 0 ? 1 : 0;
    QTextStream out(stdout);
    if (o_.json)
      out << QJsonDocument(QJsonObject{{"summary", QJsonObject{{"lines", int(lines_.size())},
                                                               {"ok", ok},
                                                               {"ng", ng},
                                                               {"failed", failed},
                                                               {"stopped", stopped},
                                                               {"exit", exit}}}})
                 .toJson(QJsonDocument::Compact)
          << Qt::endl;
    else {
      out << msg_.text(5301).arg(lines_.size()).arg(ok).arg(ng).arg(failed).arg(stopped) << Qt::endl;
      for (const Progress &p : lines_)
        if (!p.reason.isEmpty())
          out << "  " << p.plan->line << ": " << stateText(p) << " — " << p.reason << Qt::endl;
    }
    return exit;
  }

  const Options &o_;
  Messages msg_;
  QList<Progress> lines_;
  QEventLoop loop_;
  const bool table_ = !o_.json && console::OutputIsTerminal();
  QList<QProcess *> ending_; // lines done, whose processes end at the end of their input
  bool stopping_ = false, recordFailed_ = false, gate_ = false;
  int drawn_ = 0;
};

} // namespace

int Run(const Options &o) {
  const wholefile::Read file = wholefile::ReadFile(o.plan);
  if (!file.ok()) {
    QTextStream(stderr) << o.plan << ": " << wholefile::Reason(file, Messages(o.langBase))
                        << "\nkov-t6-cli: the plan was not read\n";
    return 3;
  }
  QString error;
  const auto plan = ParsePlan(file.bytes, &error, o.named);
  if (!plan) {
    QTextStream(stderr) << o.plan << ": " << error << "\nkov-t6-cli: nothing was run\n";
    return 2;
  }
  return Runner(o, *plan).run();
}

} // namespace batch
