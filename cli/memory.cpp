// The plant's memory from the command line: named lines, the history, the
// drift check and restores.
#include "cli.h"

#include "paramdiff.h"
#include "wholefile.h"

#include <QJsonDocument>
#include <QTextStream>

namespace cli {

namespace {

QString timeText(const QDateTime &t) { return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QJsonObject entryJson(const HistoryDb::Entry &e) {
  return {{"id", e.id},          {"time", e.time.toString(Qt::ISODateWithMs)},
          {"line", e.line},      {"address", e.address},
          {"version", e.version}, {"command", e.command},
          {"result", e.result},  {"message", e.message},
          {"approved", e.approved}};
}

} // namespace

bool Cli::lineGiven() const {
  return !lineName.isEmpty() || !program.deviceOverride.isEmpty() || program.portOverride.has_value();
}

int Cli::historyFailed() {
  const HistoryDb &db = program.memory.db();
  ownFailure() = QStringLiteral("kov-t6-cli: ") + program.m.msg(5351).arg(db.shownAddress(), db.problem());
  QTextStream(stderr) << ownFailure() << '\n';
  return Failed;
}

void Cli::showDifferences() {
  if (json)
    return; // the object's differences
  out() << PlantMemory::differenceLines(program.dialogs.outcome.differences, u"\n"_qs) << Qt::flush;
}

int Cli::check(const Args &) {
  const int result = finish(program.memory.check(), QStringLiteral("check"));
  showDifferences();
  return result;
}

int Cli::restore(const Args &args) {
  unlockSpecial();
  return finish(program.memory.restore(args.words[0].toLongLong()), QStringLiteral("restore"));
}

// The address is the run's own --device or --port.
int Cli::linesAdd(const Args &args) {
  if (program.deviceOverride.isEmpty() == !program.portOverride.has_value() || !lineName.isEmpty())
    return usage(QStringLiteral("lines add takes the line's --device PATH or --port N"));
  const HistoryDb::Line line{args.words[0],
                             program.portOverride ? QString::number(*program.portOverride) : program.deviceOverride,
                             args.value("--note")};
  if (line.name.trimmed().isEmpty() || !PlantMemory::isLineAddress(line.address))
    return usage(QStringLiteral("a line needs a name and a port number, device path, tcp:// or rfc2217:// address"));
  return program.memory.db().addLine(line) ? finish(0, {}) : historyFailed();
}

int Cli::linesList(const Args &) {
  HistoryDb &db = program.memory.db();
  const QList<HistoryDb::Line> lines = db.lines();
  if (!db.problem().isEmpty())
    return historyFailed();
  QJsonArray list;
  for (const HistoryDb::Line &l : lines) {
    if (json)
      list.append(QJsonObject{{"name", l.name}, {"address", l.address}, {"note", l.note}});
    else
      out() << l.name << '\t' << l.address << (l.note.isEmpty() ? QString() : u'\t' + l.note) << '\n';
  }
  values.insert("lines", list);
  return finish(0, {});
}

int Cli::linesRemove(const Args &args) {
  return program.memory.db().removeLine(args.words[0]) ? finish(0, {}) : historyFailed();
}

int Cli::historyList(const Args &args) {
  HistoryDb &db = program.memory.db();
  HistoryDb::Filter filter;
  if (lineGiven())
    filter.line = program.memory.lineLabel();
  if (args.has("--since"))
    filter.since = SinceOf(args.value("--since"));
  const QList<HistoryDb::Entry> entries = db.entries(filter);
  if (!db.problem().isEmpty())
    return historyFailed();
  QJsonArray list;
  for (const HistoryDb::Entry &e : entries) {
    if (json)
      list.append(entryJson(e));
    else
      out() << e.id << '\t' << timeText(e.time) << '\t' << e.line << '\t' << e.command << '\t' << e.result
            << (e.message.isEmpty() ? QString() : u'\t' + e.message.section(u'\n', 0, 0)) << '\n';
  }
  out() << Qt::flush;
  values.insert("entries", list);
  return finish(0, {});
}

int Cli::historyShow(const Args &args) {
  const auto e = program.memory.db().entry(args.words[0].toLongLong());
  if (!e)
    return historyFailed();
  QJsonObject o = entryJson(*e);
  QStringList lines{QStringLiteral("id: %1").arg(e->id), u"time: "_qs + timeText(e->time), u"line: "_qs + e->line,
                    u"address: "_qs + e->address, u"version: "_qs + e->version, u"command: "_qs + e->command,
                    u"result: "_qs + e->result};
  if (!e->message.isEmpty())
    lines << u"message: "_qs + QString(e->message).replace(u'\n', u' ');
  if (const auto p = PlantMemory::paramsOf(e->params)) {
    QJsonArray params;
    for (const paramdiff::Row &row : paramdiff::Compare(*p, *p, program.m.messages())) {
      lines << QStringLiteral("%1 %2: %3").arg(paramdiff::GroupName(row.group), row.name, row.a);
      params.append(QJsonObject{{"group", paramdiff::GroupName(row.group)}, {"name", row.name}, {"value", row.a}});
    }
    o.insert("parameters", params);
  }
  if (const auto x = PlantMemory::posiOf(e->posi)) {
    QJsonObject index;
    for (const auto &[col, name] : PlantMemory::PosiColumns) {
      const QString text = (*x)[std::size_t(col)].toString();
      lines << QStringLiteral("INDEX %1: %2").arg(program.m.msg(name), text);
      index.insert(Messages(msgtable::EnglishBase).text(name), text);
    }
    o.insert("index", index);
  }
  if (json)
    values = o;
  else
    out() << lines.join(u'\n') << Qt::endl;
  return finish(0, {});
}

int Cli::historyDiff(const Args &args) {
  HistoryDb &db = program.memory.db();
  const auto a = db.entry(args.words[0].toLongLong());
  const auto b = a ? db.entry(args.words[1].toLongLong()) : std::nullopt;
  if (!a || !b)
    return historyFailed();
  Outcome &o = program.dialogs.outcome;
  o.differences = program.memory.differences(*a, *b);
  o.differs = !o.differences.isEmpty();
  showDifferences();
  return finish(o.differs ? 1 : 0, QStringLiteral("history diff"));
}

int Cli::historyExport(const Args &args) {
  const auto e = program.memory.db().entry(args.words[0].toLongLong());
  if (!e)
    return historyFailed();
  const QString path = args.value("-o");
  const bool index = path.endsWith(u".ztd"_qs, Qt::CaseInsensitive);
  const QByteArray bytes = index ? e->posi : e->params;
  if (bytes.isEmpty()) {
    program.dialogs.message(program.m.told(5359).arg(e->id));
    return failed(QStringLiteral("history export"));
  }
  QString reason;
  if (!wholefile::Save(path, bytes, &reason)) {
    ownFailure() = QStringLiteral("kov-t6-cli: %1: %2").arg(path, reason);
    QTextStream(stderr) << ownFailure() << '\n';
    return Failed;
  }
  return finish(0, {});
}

int Cli::historyApprove(const Args &args) {
  return program.memory.db().approve(args.words[0].toLongLong()) ? finish(0, {}) : historyFailed();
}

} // namespace cli
