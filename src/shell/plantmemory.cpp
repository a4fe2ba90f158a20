#include "plantmemory.h"
#include "program.h"

#include "commandlock.h"
#include "paramdiff.h"
#include "tcpportdevice.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <map>

namespace {


QString differencesJson(const QList<Outcome::Difference> &list) {
  QJsonArray all;
  for (const Outcome::Difference &d : list)
    all.append(QJsonObject{{"group", d.group}, {"name", d.name}, {"a", d.a}, {"b", d.b}});
  return list.isEmpty() ? QString() : QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

QString resultOf(Outcome::Result r) {
  switch (r) {
  case Outcome::Result::Done: return QStringLiteral("OK");
  case Outcome::Result::Differences: return QStringLiteral("NG");
  case Outcome::Result::Cancelled: return QStringLiteral("cancelled");
  default: return QStringLiteral("failed");
  }
}

} // namespace

PlantMemory::PlantMemory(Program &p) : p_(p) {
  p_.paramTransfer.beforeWrite = [this] { return !safe() || backupParams(); };
  p_.paramTransfer.afterWrite = [this] { return safe() ? readBack(true) : qint16(0); };
  p_.indexData.beforeWrite = [this] { return !safe() || backupPosi(); };
  p_.indexData.afterWrite = [this] { return safe() ? readBack(false) : qint16(0); };
  p_.link.lineShown = [this] { return lineName; };
  // The window's drift check, kept as kov-t6-cli keeps its own: a drift or
  // a failure is 1, which the outcome tells apart.
  p_.frmMain.mnuContCheck.onClick([this] {
    const qint16 result = check();
    Q_EMIT p_.frmMain.commandEnded(QStringLiteral("check"), result == 0 ? 0 : 1);
  });
}

HistoryDb &PlantMemory::db() {
  // One connection a process and address, closed with the application: a
  // batch line's steps, each a program of its own, open the history once.
  // Another address chosen in the options is another database from then on.
  // Never destroyed at exit, after Qt SQL's own globals: the application's
  // end closes them, or they stay open to the end.
  static auto *opened = new std::map<QString, std::unique_ptr<HistoryDb>>;
  if (opened->empty())
    qAddPostRoutine([] { opened->clear(); });
  const QString address = p_.store.text(QStringLiteral("HistoryDatabase"));
  std::unique_ptr<HistoryDb> &db = (*opened)[address];
  if (!db)
    db = std::make_unique<HistoryDb>(address);
  return *db;
}

bool PlantMemory::safe() const {
  return safeOverride.value_or(p_.store.flag(QStringLiteral("SafeWrite"), false));
}

QString PlantMemory::address() const {
  return p_.link.deviceName(p_.m.PortNo);
}

QString PlantMemory::lineLabel() const { return lineName.isEmpty() ? address() : lineName; }

bool PlantMemory::useLine(const QString &name) {
  const std::optional<HistoryDb::Line> line = db().line(name);
  if (!line) {
    const QString why = db().problem();
    p_.dialogs.message(p_.m.told(5360).arg(name) + (why.isEmpty() ? QString() : u"\r\n"_qs + why));
    return false;
  }
  bool number = false;
  const int port = line->address.toInt(&number);
  if (number && port >= 1 && port <= 32)
    p_.m.PortNo = qint16(port);
  else
    p_.serialPort.portMap().setOverride(p_.m.PortNo, line->address);
  p_.link.CommPortClose(); // the next command opens the line chosen
  lineName = line->name;
  return true;
}

bool PlantMemory::chooseLine(const QString &name) {
  if (!useLine(name))
    return false;
  p_.store.write(QStringLiteral("Line"), name);
  p_.link.showPort();
  p_.dialogs.done(p_.m.told(5381).arg(name, address()));
  return true;
}

void PlantMemory::forgetLine() {
  lineName.clear();
  p_.store.write(QStringLiteral("Line"), QString());
  p_.link.showPort();
}

void PlantMemory::resumeLine() {
  // Quietly: a line removed since, or a history out of reach, leaves the port.
  const QString name = p_.store.text(QStringLiteral("Line"));
  if (name.isEmpty() || !db().line(name))
    return;
  useLine(name);
  p_.link.showPort();
}

bool PlantMemory::isLineAddress(const QString &address) {
  bool number = false;
  const int port = address.toInt(&number);
  if (number)
    return port >= 1 && port <= 32;
  if (address.contains(u"://"_qs))
    return TcpPortDevice::isAddress(address);
  static const QRegularExpression windowsPort(QStringLiteral(R"re(^(\\\\\.\\)?COM[0-9]+$)re"),
                                              QRegularExpression::CaseInsensitiveOption);
  return QDir::isAbsolutePath(address) || windowsPort.match(address).hasMatch();
}

HistoryDb::Entry PlantMemory::entryNow(const QString &command) const {
  HistoryDb::Entry e;
  e.line = lineLabel();
  e.address = address();
  e.command = command;
  return e;
}

bool PlantMemory::tell(qint64 kept) {
  if (kept > 0 && db().setAside().isEmpty())
    return true;
  if (!db().setAside().isEmpty()) {
    p_.dialogs.status(p_.m.told(5352).arg(db().setAside()));
    if (kept > 0)
      return true;
  }
  p_.dialogs.status(p_.m.told(5351).arg(db().shownAddress(), db().problem()));
  return false;
}

qint64 PlantMemory::keep(const QString &command, const Outcome &o) {
  // Declined before anything was sent: nothing happened to keep.
  if (o.result == Outcome::Result::Cancelled || !keeping || !p_.store.flag(QStringLiteral("History"), true))
    return 0;
  HistoryDb::Entry e = entryNow(command);
  const auto &[versionLine, version] = p_.link.controllerVersion;
  e.version = !o.controllerVersion.isEmpty() ? o.controllerVersion : versionLine == e.address ? version : QString();
  e.result = resultOf(o.result);
  e.message = QString(o.told.text).replace(u"\r\n"_qs, u"\n"_qs);
  e.differences = differencesJson(o.differences);
  const bool reached = o.result == Outcome::Result::Done || o.result == Outcome::Result::Differences;
  if (reached && (command == u"check" || command == u"restore")) {
    e.params = lastSets_.params;
    e.posi = lastSets_.posi;
  } else if (reached && command.startsWith(u"params")) {
    e.params = parafile::Compose(p_.params.ParametaSet);
  } else if (reached && command.startsWith(u"index")) {
    e.posi = positionfile::Format(p_.indexData.PosiData);
  }
  const qint64 id = db().add(e);
  tell(id);
  return id;
}

void PlantMemory::alarm(const QString &key, const QString &text) {
  if (!keeping || !p_.store.flag(QStringLiteral("History"), true))
    return;
  HistoryDb::Entry e = entryNow(QStringLiteral("alarm"));
  e.result = QStringLiteral("event");
  e.message = key.isEmpty() ? text : key + QStringLiteral(": ") + text;
  tell(db().add(e));
}

std::optional<ParametaRecord> PlantMemory::paramsOf(const QByteArray &pmt) {
  const parafile::Parsed parsed = parafile::Parse(wholefile::Text(pmt));
  if (parsed.result != parafile::ReadResult::Read)
    return std::nullopt;
  const auto record = parafile::CopyParaFileArray(parsed.list, ParametaRecord{});
  return record ? std::optional(PageFixedValues(*record, true)) : std::nullopt;
}

std::optional<PosiRow> PlantMemory::posiOf(const QByteArray &ztd) {
  // The record line of our own format: 0,"vel","acc",...
  const QList<QByteArray> lines = ztd.split('\n');
  if (lines.size() < 3)
    return std::nullopt;
  const QList<QByteArray> fields = lines[2].trimmed().split(',');
  if (fields.size() != 9)
    return std::nullopt;
  PosiRow row;
  for (int col = 1; col <= 8; ++col)
    row[std::size_t(col)] = QString::fromUtf8(QByteArray(fields[col]).replace('"', ""));
  return row;
}

namespace {
QList<Outcome::Difference> posiDifferences(const PosiRow &a, const PosiRow &b, const Messages &msg) {
  QList<Outcome::Difference> list;
  for (const auto &[col, name] : PlantMemory::PosiColumns) {
    const QString x = a[std::size_t(col)].toString().trimmed(), y = b[std::size_t(col)].toString().trimmed();
    if (x.toLongLong() != y.toLongLong() || x.isEmpty() != y.isEmpty())
      list.append({QStringLiteral("INDEX"), msg.text(name), x, y});
  }
  return list;
}

QList<Outcome::Difference> paramDifferences(const ParametaRecord &a, const ParametaRecord &b, const Messages &msg) {
  QList<Outcome::Difference> list;
  for (const paramdiff::Row &row : paramdiff::Compare(a, b, msg))
    if (row.differs)
      list.append({paramdiff::GroupName(row.group), row.name, row.a, row.b});
  return list;
}
} // namespace

QString PlantMemory::differenceLines(const QList<Outcome::Difference> &list, const QString &end) {
  QString lines;
  for (const Outcome::Difference &d : list)
    lines += QStringLiteral("%1 %2: %3 → %4").arg(d.group, d.name, d.a, d.b) + end;
  return lines;
}

QList<Outcome::Difference> PlantMemory::differences(const HistoryDb::Entry &a, const HistoryDb::Entry &b) const {
  QList<Outcome::Difference> list;
  const Messages msg = p_.m.messages();
  if (const auto pa = paramsOf(a.params), pb = paramsOf(b.params); pa && pb)
    list += paramDifferences(*pa, *pb, msg);
  if (const auto xa = posiOf(a.posi), xb = posiOf(b.posi); xa && xb)
    list += posiDifferences(*xa, *xb, msg);
  return list;
}

std::optional<ParametaRecord> PlantMemory::entryParams(qint64 id) {
  const std::optional<HistoryDb::Entry> e = db().entry(id);
  if (!e) {
    p_.dialogs.message(p_.m.told(5351).arg(db().shownAddress(), db().problem()));
    return std::nullopt;
  }
  if (auto params = paramsOf(e->params))
    return params;
  p_.dialogs.message(p_.m.told(5391).arg(id));
  return std::nullopt;
}

std::optional<ParametaRecord> PlantMemory::readParams() {
  const auto list = p_.paramTransfer.ReadParaBlocks();
  if (!list)
    return std::nullopt;
  ParametaRecord record;
  bool encoder = false, editable = false;
  ::CopyParaArray(*list, record, encoder, editable);
  return record;
}

std::optional<PosiRow> PlantMemory::readPosi() {
  const qint16 read = p_.indexData.ReadPosidataFromCt();
  p_.link.CommPortRelease();
  if (read != 0)
    return std::nullopt;
  return p_.indexData.PosiDataRecv;
}

bool PlantMemory::backupParams() {
  const auto now = readParams();
  return keepBackup(QStringLiteral("params backup"), now ? parafile::Compose(*now) : QByteArray(),
                    &HistoryDb::Entry::params);
}

bool PlantMemory::backupPosi() {
  const auto now = readPosi();
  return keepBackup(QStringLiteral("index backup"), now ? positionfile::Format(*now) : QByteArray(),
                    &HistoryDb::Entry::posi);
}

// No write without its backup: a set that could not be read (empty, the
// link has said why) or kept stops it.
bool PlantMemory::keepBackup(const QString &command, const QByteArray &set, QByteArray HistoryDb::Entry::*field) {
  HistoryDb::Entry e = entryNow(command);
  e.result = QStringLiteral("OK");
  e.*field = set;
  if (set.isEmpty() || !(before_ = db().add(e))) {
    if (!set.isEmpty())
      tell(0);
    p_.dialogs.message(p_.m.told(5356));
    return false;
  }
  return true;
}

qint16 PlantMemory::readBack(bool params) {
  QList<Outcome::Difference> found;
  const Messages msg = p_.m.messages();
  if (params) {
    const auto now = readParams();
    const auto written = paramsOf(parafile::Compose(p_.params.ParametaSet));
    if (!now || !written)
      return 1; // the link has said why
    found = paramDifferences(*written, *now, msg);
  } else {
    const auto now = readPosi();
    if (!now)
      return 1;
    found = posiDifferences(p_.indexData.PosiData, *now, msg);
  }
  if (found.isEmpty())
    return 0;
  p_.dialogs.outcome.differences = found;
  const QString details = differenceLines(found, u"\r\n"_qs);
  p_.dialogs.message(p_.m.told(5357).arg(found.size()).arg(before_), Dialogs::Buttons::Ok,
                     Dialogs::Icon::Exclamation, details);
  return 1;
}

qint16 PlantMemory::check() {
  CommandLock locked(p_.frmMain, {CommandLock::Group::DataCommand, CommandLock::Group::ParaCommand});
  lastSets_ = {};
  const QString line = lineLabel();
  const auto refParams = db().reference(line, true);
  const auto refPosi = db().reference(line, false);
  if (!refParams && !refPosi) {
    const QString why = db().problem();
    p_.dialogs.message(why.isEmpty() ? p_.m.told(5353).arg(line) : p_.m.told(5351).arg(db().shownAddress(), why));
    return -1;
  }
  const Messages msg = p_.m.messages();
  QList<Outcome::Difference> found;
  QStringList against;
  if (refParams) {
    const auto now = readParams();
    const auto then = paramsOf(refParams->params);
    if (!now || !then)
      return -1;
    lastSets_.params = parafile::Compose(*now);
    found += paramDifferences(*then, *now, msg);
    against << QString::number(refParams->id);
  }
  if (refPosi) {
    const auto now = readPosi();
    const auto then = posiOf(refPosi->posi);
    if (!now || !then)
      return -1;
    lastSets_.posi = positionfile::Format(*now);
    found += posiDifferences(*then, *now, msg);
    if (!refParams || refPosi->id != refParams->id)
      against << QString::number(refPosi->id);
  }
  locked.release();
  Outcome &o = p_.dialogs.outcome;
  o.differences = found;
  if (found.isEmpty()) {
    p_.dialogs.message(p_.m.told(5354).arg(line, against.join(u", "_qs)), Dialogs::Buttons::Ok,
                       Dialogs::Icon::Information);
    return 0;
  }
  o.differs = true;
  const QString details = differenceLines(found, u"\r\n"_qs);
  p_.dialogs.message(p_.m.told(5355).arg(line).arg(found.size()).arg(against.join(u", "_qs)), Dialogs::Buttons::Ok,
                     Dialogs::Icon::Exclamation, details);
  return 1;
}

qint16 PlantMemory::restore(qint64 id) {
  const std::optional<HistoryDb::Entry> e = db().entry(id);
  const auto params = e ? paramsOf(e->params) : std::nullopt;
  const auto posi = e ? posiOf(e->posi) : std::nullopt;
  if (!params && !posi) {
    const QString why = e ? QString() : db().problem();
    p_.dialogs.message(p_.m.told(5359).arg(id) + (why.isEmpty() ? QString() : u"\r\n"_qs + why));
    return 1;
  }
  // Whatever the setting: a restore is backed up and read back.
  const std::optional<bool> was = safeOverride;
  safeOverride = true;
  qint16 result = 0;
  if (params) {
    if (!p_.params.askBeforeReplacing())
      result = 1;
    else {
      p_.params.ParametaSet = *params;
      p_.params.ParametaHyoji();
      p_.params.document.setPath({});
      result = p_.paramTransfer.cmdParaWrite_Click();
    }
  }
  if (posi && result == 0) {
    if (!p_.indexData.askBeforeReplacing())
      result = 1;
    else {
      p_.indexData.filling([&] {
        for (const int col : {1, 2, 5, 6, 7})
          p_.indexData.PosiData[std::size_t(col)] = (*posi)[std::size_t(col)];
        p_.indexData.showPosiData();
      });
      p_.indexData.document.setPath({});
      result = p_.indexData.LoadtoCtMain();
    }
  }
  safeOverride = was;
  lastSets_ = {};
  if (result == 0 && params)
    lastSets_.params = parafile::Compose(p_.params.ParametaSet);
  if (result == 0 && posi)
    lastSets_.posi = positionfile::Format(p_.indexData.PosiData);
  if (result == 0)
    p_.dialogs.done(p_.m.told(5363).arg(id));
  return result;
}
