// The history database: the time to keep one entry, in an SQLite file and
// on a PostgreSQL 15 server on this machine (the tests' fixture, the
// server's default durability), and the time to open the first page of a
// line holding 100,000 entries, as `kov-t6-cli history` does in a new process.
#include "benchfigures.h"
#include "historydb.h"
#include "postgres.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// Sets of the size a parameter file (.pmt, 300 bytes) and index data
// (.ztd, one position row, 100 bytes) have.
HistoryDb::Entry entryOf(int i) {
  HistoryDb::Entry e;
  e.line = QStringLiteral("press 1");
  e.address = QStringLiteral("/dev/ttyUSB0");
  e.version = QStringLiteral("ZT-KOV 2.10");
  e.command = QStringLiteral("params write");
  e.result = QStringLiteral("OK");
  e.message = QStringLiteral("The parameters were written.");
  e.params = QByteArray::number(i).leftJustified(300, 'p');
  e.posi = QByteArray::number(i).leftJustified(100, 'x');
  return e;
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

struct Keeping {
  QList<double> ms;
  bool ok = false;
};

Keeping keep(const QString &address, int entries) {
  Keeping k;
  HistoryDb db(address);
  if (!db.open())
    return std::fprintf(stderr, "%s: %s\n", qPrintable(address), qPrintable(db.problem())), k;
  for (int i = 0; i < entries; ++i) {
    QElapsedTimer t;
    t.start();
    if (db.add(entryOf(i)) == 0)
      return std::fprintf(stderr, "%s\n", qPrintable(db.problem())), k;
    k.ms << msSince(t);
  }
  k.ok = true;
  return k;
}

// `rows` entries of "press 1" at once, past HistoryDb (one statement).
bool fill(QSqlDatabase c, int rows) {
  const bool postgres = c.driverName() == u"QPSQL";
  QSqlQuery q(c);
  const QString sql = QStringLiteral(
      "INSERT INTO entries (time, line, address, version, command, result, message, params, posi, differences, "
      "approved) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
      "SELECT '2026-03-01T08:00:00.000Z', 'press 1', '/dev/ttyUSB0', 'ZT-KOV 2.10', 'params write', 'OK', "
      "'The parameters were written.', %2, %3, '', 0 FROM n")
                          .arg(rows)
                          .arg(postgres ? QStringLiteral("convert_to(rpad(i::text, 300, 'p'), 'UTF8')")
                                        : QStringLiteral("CAST(substr(i || printf('%.300c', 'p'), 1, 300) AS BLOB)"),
                               postgres ? QStringLiteral("convert_to(rpad(i::text, 100, 'x'), 'UTF8')")
                                        : QStringLiteral("CAST(substr(i || printf('%.100c', 'x'), 1, 100) AS BLOB)"));
  if (!q.exec(sql))
    return std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text())), false;
  return true;
}

struct Page {
  QList<double> openMs, pageMs; // the whole, from a new HistoryDb; the page and count alone
  bool ok = false;
};

// The newest 200 entries of the line and their count, `runs` times.
Page firstPage(const QString &address, int runs, qint64 rows) {
  Page p;
  HistoryDb::Filter f;
  f.line = QStringLiteral("press 1");
  f.limit = 200;
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer t;
    t.start();
    HistoryDb db(address);
    if (!db.open())
      return std::fprintf(stderr, "%s\n", qPrintable(db.problem())), p;
    QElapsedTimer page;
    page.start();
    const qsizetype shown = db.entries(f).size();
    const qint64 counted = db.count(HistoryDb::Filter{f.line, {}, {}, {}, 0, 0});
    p.pageMs << msSince(page);
    p.openMs << msSince(t);
    if (shown != 200 || counted != rows)
      return std::fprintf(stderr, "page: %lld entries of %lld\n", qlonglong(shown), qlonglong(counted)), p;
  }
  p.ok = true;
  return p;
}

void report(const char *what, const Keeping &k, double target) {
  std::printf("%s: keeping an entry, median %.2f ms over %lld (90th percentile %.2f ms, worst %.2f ms), target "
              "≤ %.0f ms\n",
              what, median(k.ms), qlonglong(k.ms.size()), [&] {
                QList<double> s = k.ms;
                std::sort(s.begin(), s.end());
                return s[s.size() * 9 / 10];
              }(),
              *std::max_element(k.ms.begin(), k.ms.end()), target);
}

void report(const char *what, const Page &p, int rows) {
  std::printf("%s: the first page of a line of %d entries (200 of them and their count), from a new connection: "
              "median %.1f ms (worst %.1f ms), the page and count alone %.1f ms, target ≤ 200 ms\n",
              what, rows, median(p.openMs), *std::max_element(p.openMs.begin(), p.openMs.end()), median(p.pageMs));
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const bool quick = app.arguments().contains(QStringLiteral("--quick"));
  const int entries = quick ? 50 : 1000, rows = quick ? 10000 : 100000, runs = quick ? 3 : 11;
  QTemporaryDir dir;

  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  const Keeping sqlite = keep(file, entries);
  if (!sqlite.ok)
    return 1;
  report("SQLite file", sqlite, 5);
  const QString big = dir.filePath(QStringLiteral("big.sqlite"));
  if (!HistoryDb(big).open())
    return 1;
  {
    QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    c.setDatabaseName(big);
    if (!c.open() || !fill(c, rows))
      return 1;
  }
  QSqlDatabase::removeDatabase(QStringLiteral("fill"));
  const Page sqlitePage = firstPage(big, runs, rows);
  if (!sqlitePage.ok)
    return 1;
  report("SQLite file", sqlitePage, rows);
  std::printf("  the file: %.0f MB\n", double(QFileInfo(big).size()) / 1e6);

  if (!Postgres::installed())
    return std::printf("PostgreSQL 15 is not installed: its figures are left out\n"), 0;
  Postgres pg;
  if (!pg.start() || !pg.create(QStringLiteral("history")) || !pg.create(QStringLiteral("big")))
    return std::fprintf(stderr, "%s\n", qPrintable(pg.why)), 1;
  const Keeping postgres = keep(pg.address(QStringLiteral("history")), entries);
  if (!postgres.ok)
    return 1;
  report("PostgreSQL 15, same machine, Unix socket", postgres, 20);
  if (!HistoryDb(pg.address(QStringLiteral("big"))).open())
    return 1;
  {
    QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("fill"));
    c.setHostName(pg.folder.path());
    c.setPort(pg.port);
    c.setUserName(pg.user);
    c.setDatabaseName(QStringLiteral("big"));
    if (!c.open() || !fill(c, rows))
      return 1;
    const Page filled = firstPage(pg.address(QStringLiteral("big")), runs, rows);
    if (!filled.ok)
      return 1;
    report("PostgreSQL 15, same machine, Unix socket, just filled", filled, rows);
    // As autovacuum leaves a table that grew: the count then reads the index alone.
    if (!QSqlQuery(c).exec(QStringLiteral("VACUUM ANALYZE entries")))
      return 1;
  }
  QSqlDatabase::removeDatabase(QStringLiteral("fill"));
  const Page vacuumed = firstPage(pg.address(QStringLiteral("big")), runs, rows);
  if (!vacuumed.ok)
    return 1;
  report("PostgreSQL 15, same machine, Unix socket, vacuumed", vacuumed, rows);
  return 0;
}
