#include "historydb.h"

#include <QAtomicInteger>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

namespace {

QString nextConnection() {
  static QAtomicInteger<int> n;
  return QStringLiteral("kov-history-%1").arg(n.fetchAndAddRelaxed(1));
}

// SQLite's codes for a file that is no database or a damaged one.
bool damaged(const QSqlError &e) {
  const QString code = e.nativeErrorCode();
  return code == u"26" || code == u"11";
}

const char *const EntryColumns = "id, time, line, address, version, command, result, message, differences, approved";

HistoryDb::Entry readEntry(const QSqlQuery &q, bool sets) {
  HistoryDb::Entry e;
  e.id = q.value(0).toLongLong();
  e.time = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
  e.time.setTimeSpec(Qt::UTC);
  e.line = q.value(2).toString();
  e.address = q.value(3).toString();
  e.version = q.value(4).toString();
  e.command = q.value(5).toString();
  e.result = q.value(6).toString();
  e.message = q.value(7).toString();
  e.differences = q.value(8).toString();
  e.approved = q.value(9).toInt() != 0;
  if (sets) {
    e.params = q.value(10).toByteArray();
    e.posi = q.value(11).toByteArray();
  }
  return e;
}

} // namespace

QString HistoryResult(int exit) {
  return exit == 0 ? QStringLiteral("OK") : exit == 1 ? QStringLiteral("NG") : QStringLiteral("failed");
}

HistoryDb::HistoryDb(QString address) : address_(std::move(address)), connection_(nextConnection()) {
  postgres_ = address_.startsWith(u"postgresql://") || address_.startsWith(u"postgres://");
}

HistoryDb::~HistoryDb() {
  if (QSqlDatabase::contains(connection_)) {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
  }
}

QString HistoryDb::defaultFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/KOV-T6/history.sqlite");
}

bool HistoryDb::holdsPassword(const QString &address) {
  // Read as text too: an address QUrl cannot parse may still carry one.
  static const QRegularExpression inUserPart(QStringLiteral("^postgres(ql)?://[^/@?#]*:[^/@?#]+@"),
                                             QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression inQuery(QStringLiteral("^postgres(ql)?://[^?#]*\\?(.*&)?password="),
                                          QRegularExpression::CaseInsensitiveOption);
  const QString text = address.trimmed();
  return inUserPart.match(text).hasMatch() || inQuery.match(text).hasMatch();
}

QString HistoryDb::shownAddress() const {
  if (!postgres_)
    return QDir::toNativeSeparators(address_.isEmpty() ? defaultFile() : address_);
  QUrl url(address_);
  url.setPassword({});
  return url.toString();
}

bool HistoryDb::fail(const QString &what, const QString &why) {
  problem_ = why.isEmpty() ? what : what + QStringLiteral(": ") + why;
  return false;
}

bool HistoryDb::exec(const QString &sql) {
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  if (q.exec(sql))
    return true;
  return fail(sql.section(u' ', 0, 2), q.lastError().text());
}

bool HistoryDb::open() {
  if (opened_)
    return true;
  problem_.clear();
  // Tried again after a failed open: the connection is made anew.
  if (QSqlDatabase::contains(connection_))
    QSqlDatabase::removeDatabase(connection_);
  QSqlDatabase db;
  if (postgres_) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
      return fail(QStringLiteral("PostgreSQL"), QStringLiteral("this build has no PostgreSQL driver"));
    const QUrl url(address_);
    if (holdsPassword(address_))
      return fail(shownAddress(), QStringLiteral("the address holds a password: keep it in ~/.pgpass or PGPASSWORD"));
    const QUrlQuery query(url);
    db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection_);
    // With the socket folder as ?host=, the port (the socket's name) comes as ?port= too.
    db.setHostName(query.hasQueryItem(u"host"_qs) ? query.queryItemValue(u"host"_qs, QUrl::FullyDecoded) : url.host());
    const int port = url.port() > 0 ? url.port() : query.queryItemValue(u"port"_qs).toInt();
    if (port > 0)
      db.setPort(port);
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    // The server's notices ("relation meta already exists, skipping") are
    // not the operator's; libpq would print them on stderr.
    db.setConnectOptions(QStringLiteral("connect_timeout=5;options='-c client_min_messages=warning'"));
  } else {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
      return fail(QStringLiteral("SQLite"), QStringLiteral("this build has no SQLite driver"));
    const QString file = address_.isEmpty() ? defaultFile() : address_;
    QDir().mkpath(QFileInfo(file).absolutePath());
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(file);
    // Other writers (the lines of a batch) wait their turn rather than fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
  }
  if (!db.open())
    return fail(shownAddress(), db.lastError().text());
  if (!postgres_ && !prepareSqlite())
    return false;
  if (!migrate())
    return false;
  opened_ = true;
  return true;
}

// The write-ahead log lets readers go on while a line writes; a file that
// is no database is moved aside, never written over.
bool HistoryDb::prepareSqlite() {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery q(db);
  // Turning a new file to WAL takes the write lock without SQLite's busy
  // wait; writers making the file at the same moment take turns here.
  const auto wal = [&q] {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      if (q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return true;
      if (q.lastError().nativeErrorCode() != u"5" || waited.hasExpired(3000)) // SQLITE_BUSY
        return false;
      QThread::msleep(5);
    }
  };
  // The schema and each table's first and last pages, not the whole file
  // (which a quick_check would read at every run): damage elsewhere fails
  // the statement that meets it, and is told there.
  const auto sound = [&q] {
    QStringList tables;
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name IN "
                               "('meta', 'lines', 'entries')")))
      return false;
    while (q.next())
      tables << q.value(0).toString();
    for (const QString &t : tables)
      if (!q.exec(QStringLiteral("SELECT (SELECT rowid FROM %1 ORDER BY rowid LIMIT 1), "
                                 "(SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1)").arg(t)) || !q.next())
        return false;
    return true;
  };
  if (wal() && q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")) && sound())
    return true;
  const QSqlError error = q.lastError();
  if (error.isValid() && !damaged(error))
    return fail(shownAddress(), error.text()); // locked, unreadable: keep it as it is
  const QString file = db.databaseName();
  q.finish();
  db.close();
  const QString aside = file + QStringLiteral(".damaged-") +
                        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
  if (!QFile::rename(file, aside))
    return fail(shownAddress(), QStringLiteral("damaged, and it cannot be moved aside"));
  for (const char *side : {"-wal", "-shm"})
    QFile::rename(file + QLatin1String(side), aside + QLatin1String(side));
  setAside_ = aside;
  if (!db.open() || !wal())
    return fail(shownAddress(), db.lastError().text());
  return true;
}

bool HistoryDb::migrate() {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  const QString id = postgres_ ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
  const QString blob = postgres_ ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
  // Each step takes the schema from version i to i + 1; steps are only ever added.
  const QList<QStringList> steps{
      {QStringLiteral("CREATE TABLE lines (name TEXT PRIMARY KEY, address TEXT NOT NULL, note TEXT NOT NULL DEFAULT '')"),
       QStringLiteral("CREATE TABLE entries (id %1, time TEXT NOT NULL, line TEXT NOT NULL, address TEXT NOT NULL, "
                      "version TEXT NOT NULL, command TEXT NOT NULL, result TEXT NOT NULL, message TEXT NOT NULL, "
                      "params %2, posi %2, differences TEXT NOT NULL, approved INTEGER NOT NULL DEFAULT 0)")
           .arg(id, blob),
       QStringLiteral("CREATE INDEX entries_line ON entries (line, id)")},
  };
  static_assert(SchemaVersion == 1, "a new version needs its step");
  // Up to date, as it nearly always is: no writer's lock is taken.
  {
    QSqlQuery current(db);
    if (current.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema'")) && current.next() &&
        current.value(0).toInt() == SchemaVersion)
      return true;
  }
  // One writer migrates at a time: the others wait, then find it done.
  if (!(postgres_ ? db.transaction() && exec(QStringLiteral("SELECT pg_advisory_xact_lock(7363001)"))
                  : exec(QStringLiteral("BEGIN IMMEDIATE"))))
    return false;
  auto rollback = [&] {
    const QString why = problem_;
    postgres_ ? (void)db.rollback() : (void)exec(QStringLiteral("ROLLBACK"));
    problem_ = why;
    return false;
  };
  if (!exec(QStringLiteral("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)")))
    return rollback();
  QSqlQuery q(db);
  int version = 0;
  if (q.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema'")) && q.next())
    version = q.value(0).toInt();
  if (version > SchemaVersion) {
    fail(shownAddress(), QStringLiteral("made by a newer KOV-T6 (schema %1; this one knows %2)")
                             .arg(version)
                             .arg(SchemaVersion));
    return rollback();
  }
  for (int v = version; v < SchemaVersion; ++v)
    for (const QString &sql : steps[v])
      if (!exec(sql))
        return rollback();
  if (version < SchemaVersion &&
      !exec(QStringLiteral("%1 INTO meta (key, value) VALUES ('schema', '%2')%3")
                .arg(postgres_ ? QStringLiteral("INSERT") : QStringLiteral("INSERT OR REPLACE"))
                .arg(SchemaVersion)
                .arg(postgres_ ? QStringLiteral(" ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value")
                               : QString())))
    return rollback();
  if (postgres_ ? !db.commit() : !exec(QStringLiteral("COMMIT")))
    return fail(shownAddress(), db.lastError().text());
  return true;
}

QList<HistoryDb::Line> HistoryDb::lines() {
  QList<Line> all;
  if (!open())
    return all;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  if (!q.exec(QStringLiteral("SELECT name, address, note FROM lines ORDER BY name"))) {
    fail(QStringLiteral("lines"), q.lastError().text());
    return all;
  }
  while (q.next())
    all.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
  return all;
}

std::optional<HistoryDb::Line> HistoryDb::line(const QString &name) {
  for (const Line &l : lines())
    if (l.name == name)
      return l;
  return std::nullopt;
}

namespace {
bool run(QSqlQuery &q, const QVariantList &values) {
  for (const QVariant &v : values)
    q.addBindValue(v);
  return q.exec();
}
} // namespace

bool HistoryDb::addLine(const Line &l) {
  if (!open())
    return false;
  if (line(l.name))
    return fail(l.name, QStringLiteral("a line of that name exists"));
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("INSERT INTO lines (name, address, note) VALUES (?, ?, ?)"));
  return run(q, {l.name, l.address, l.note.isNull() ? QStringLiteral("") : l.note}) ||
         fail(l.name, q.lastError().text());
}

bool HistoryDb::updateLine(const QString &name, const Line &l) {
  if (!open())
    return false;
  if (name != l.name && line(l.name))
    return fail(l.name, QStringLiteral("a line of that name exists"));
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("UPDATE lines SET name = ?, address = ?, note = ? WHERE name = ?"));
  if (!run(q, {l.name, l.address, l.note.isNull() ? QStringLiteral("") : l.note, name}))
    return fail(name, q.lastError().text());
  return q.numRowsAffected() == 1 || fail(name, QStringLiteral("no such line"));
}

bool HistoryDb::removeLine(const QString &name) {
  if (!open())
    return false;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("DELETE FROM lines WHERE name = ?"));
  if (!run(q, {name}))
    return fail(name, q.lastError().text());
  return q.numRowsAffected() == 1 || fail(name, QStringLiteral("no such line"));
}

qint64 HistoryDb::add(const Entry &e) {
  if (!open())
    return 0;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  const auto blob = [](const QByteArray &b) { return b.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(b); };
  q.prepare(QStringLiteral("INSERT INTO entries (time, line, address, version, command, result, message, params, "
                           "posi, differences, approved) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)%1")
                .arg(postgres_ ? QStringLiteral(" RETURNING id") : QString()));
  const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
  const QDateTime when = e.time.isValid() ? e.time : QDateTime::currentDateTimeUtc();
  if (!run(q, {when.toUTC().toString(Qt::ISODateWithMs), text(e.line), text(e.address), text(e.version),
               text(e.command), text(e.result), text(e.message), blob(e.params), blob(e.posi), text(e.differences),
               int(e.approved)})) {
    fail(QStringLiteral("entry"), q.lastError().text());
    return 0;
  }
  if (postgres_)
    return q.next() ? q.value(0).toLongLong() : 0;
  return q.lastInsertId().toLongLong();
}

std::optional<HistoryDb::Entry> HistoryDb::entry(qint64 id) {
  if (!open())
    return std::nullopt;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("SELECT %1, params, posi FROM entries WHERE id = ?").arg(QLatin1String(EntryColumns)));
  if (!run(q, {id})) {
    fail(QStringLiteral("entry"), q.lastError().text());
    return std::nullopt;
  }
  if (!q.next()) {
    fail(QStringLiteral("entry %1").arg(id), QStringLiteral("no such entry"));
    return std::nullopt;
  }
  return readEntry(q, true);
}

namespace {
// The WHERE clause of a filter and its values.
QString where(const HistoryDb::Filter &f, QVariantList *values) {
  QStringList terms;
  auto term = [&](const char *sql, const QVariant &v) {
    terms << QLatin1String(sql);
    values->append(v);
  };
  if (!f.line.isEmpty())
    term("line = ?", f.line);
  if (f.since.isValid())
    term("time >= ?", f.since.toUTC().toString(Qt::ISODateWithMs));
  if (!f.command.isEmpty())
    term("command = ?", f.command);
  if (!f.result.isEmpty())
    term("result = ?", f.result);
  if (f.beforeId > 0)
    term("id < ?", f.beforeId);
  return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}
} // namespace

QList<HistoryDb::Entry> HistoryDb::entries(const Filter &f) {
  QList<Entry> all;
  if (!open())
    return all;
  QVariantList values;
  QString sql = QStringLiteral("SELECT %1 FROM entries").arg(QLatin1String(EntryColumns)) + where(f, &values) +
                QStringLiteral(" ORDER BY id DESC");
  if (f.limit > 0)
    sql += QStringLiteral(" LIMIT %1").arg(f.limit);
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.setForwardOnly(true);
  q.prepare(sql);
  if (!run(q, values)) {
    fail(QStringLiteral("entries"), q.lastError().text());
    return all;
  }
  while (q.next())
    all.append(readEntry(q, false));
  return all;
}

qint64 HistoryDb::count(const Filter &f) {
  if (!open())
    return 0;
  QVariantList values;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("SELECT COUNT(*) FROM entries") + where(f, &values));
  return run(q, values) && q.next() ? q.value(0).toLongLong() : 0;
}

bool HistoryDb::approve(qint64 id) {
  if (!open())
    return false;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("UPDATE entries SET approved = 1 WHERE id = ?"));
  if (!run(q, {id}))
    return fail(QStringLiteral("entry %1").arg(id), q.lastError().text());
  return q.numRowsAffected() == 1 || fail(QStringLiteral("entry %1").arg(id), QStringLiteral("no such entry"));
}

std::optional<HistoryDb::Entry> HistoryDb::reference(const QString &line, bool params) {
  if (!open())
    return std::nullopt;
  const QString set = params ? QStringLiteral("params") : QStringLiteral("posi");
  const QString write = params ? QStringLiteral("'params write', 'restore'") : QStringLiteral("'index write', 'restore'");
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral("SELECT %1, params, posi FROM entries WHERE line = ? AND %2 IS NOT NULL AND "
                           "(approved = 1 OR (result = 'OK' AND command IN (%3))) ORDER BY approved DESC, id DESC "
                           "LIMIT 1")
                .arg(QLatin1String(EntryColumns), set, write));
  if (!run(q, {line})) {
    fail(QStringLiteral("entries"), q.lastError().text());
    return std::nullopt;
  }
  if (!q.next())
    return std::nullopt;
  return readEntry(q, true);
}
