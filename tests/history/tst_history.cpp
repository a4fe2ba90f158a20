// The history database on both its backends, an SQLite file and a real
// PostgreSQL 15 server, and what writers killed midway or sixteen at once leave.
#include "historydb.h"
#include "postgres.h"
#include "testenv.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QUrl>

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);

// An entry of `line` at T0 + `hour`; `sets` "P" params, "X" index data.
HistoryDb::Entry entryOf(const QString &line, const QString &command, const QString &result, int hour = 0,
                         const QString &sets = {}) {
  const QByteArray of = command.toUtf8() + QByteArray::number(hour);
  return {0, T0.addSecs(3600 * hour), line, "/dev/ttyUSB0", {}, command, result, {},
          sets.contains(u'P') ? "params of " + of : QByteArray(), sets.contains(u'X') ? "posi of " + of : QByteArray(), {},
          false};
}

struct Step {
  QString line, command, result, sets;
  bool approved = false;
};

// The ids a writer printed, one a line after "ready".
QList<qint64> idsOf(const QByteArray &out) {
  QList<qint64> ids;
  for (const QByteArray &line : out.split('\n'))
    if (!line.isEmpty() && line != "ready")
      ids << line.toLongLong();
  return ids;
}

} // namespace

Q_DECLARE_METATYPE(HistoryDb::Filter)
Q_DECLARE_METATYPE(QList<Step>)

class TestHistory : public QObject {
  Q_OBJECT
  Postgres pg;
  int made = 0;
  QString address; // each test's own, new and empty

  static void backends() {
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
  }

  // The first value of `statement`, past HistoryDb; closed again so that an SQLite file is left alone.
  QVariant sql(const QString &statement) {
    QVariant value;
    {
      const bool server = address.startsWith(u"postgresql:");
      QSqlDatabase c = server ? pg.connection("raw", QUrl(address).path().mid(1))
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
      c.setDatabaseName(server ? c.databaseName() : address);
      QSqlQuery q(c);
      if (!c.open() || !q.exec(statement))
        qWarning("%s: %s %s", qPrintable(statement), qPrintable(c.lastError().text()), qPrintable(q.lastError().text()));
      else if (q.next())
        value = q.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return value;
  }

  // A history_writer; QProcess's destructor kills one a failed test leaves running.
  void start(QProcess &writer, int tag, int count, const QStringList &more = {}) {
    writer.start(QStringLiteral(KOV_HISTORY_WRITER_PATH),
                 QStringList{address, QString::number(tag), QString::number(count)} + more);
  }

  // Every entry is whole and kept once, and each id printed[WRITER][SEQ] is that entry.
  void checkWritten(const QList<QList<qint64>> &printed) {
    HistoryDb db(address);
    QHash<qint64, QPair<int, qint64>> kept; // each entry's writer and sequence
    for (const HistoryDb::Entry &listed : db.entries({})) {
      const HistoryDb::Entry e = db.entry(listed.id).value_or(HistoryDb::Entry());
      const QStringList f = e.message.split(u' '); // "WRITER SEQ LENGTH MD5" of its set
      QVERIFY2(f.size() == 4 && e.line == u"writer "_qs + f[0] && e.params.size() == f[2].toInt() &&
                   QCryptographicHash::hash(e.params, QCryptographicHash::Md5).toHex() == f[3].toLatin1(),
               qPrintable(QStringLiteral("entry %1 is not whole").arg(listed.id)));
      kept[e.id] = {f[0].toInt(), f[1].toLongLong()};
    }
    QCOMPARE((QSet<QPair<int, qint64>>(kept.cbegin(), kept.cend()).size()), kept.size());
    for (int w = 0; w < printed.size(); ++w)
      for (int seq = 0; seq < printed[w].size(); ++seq)
        QVERIFY2(kept.value(printed[w][seq], {-1, -1}) == qMakePair(w, qint64(seq)),
                 qPrintable(QStringLiteral("entry %1 was said to be kept").arg(printed[w][seq])));
  }

private Q_SLOTS:
  void init() {
    QTest::failOnWarning(QRegularExpression(".")); // what the history warns of, the operator would see
    const QString name = QStringLiteral("history%1").arg(++made);
    if (kt::row<QString>("backend") == u"sqlite") {
      address = kt::path(name + ".sqlite");
      return;
    }
    if (!Postgres::installed())
      QSKIP("PostgreSQL 15 is not installed (postgresql-15, scripts/install-deps.sh)");
    if (pg.server.state() != QProcess::Running) // the server's own durability is not under test
      QVERIFY2(pg.start({"fsync=off"}), qPrintable(pg.why));
    QVERIFY2(pg.create(name), qPrintable(pg.why));
    address = pg.address(name);
  }

  void schema_data() { backends(); }
  // Made at version 1 on first use; a database of a newer program is refused and left as it was.
  void schema() {
    QVERIFY(HistoryDb(address).add(entryOf("A", "params read", "OK")) > 0);
    QCOMPARE(HistoryDb(address).count({}), qint64(1));

    sql("UPDATE meta SET value = '99' WHERE key = 'schema'");
    const QByteArray before = kt::readFile(address); // none of a server
    {
      HistoryDb newer(address);
      QVERIFY(!newer.open());
      QVERIFY2(newer.problem().contains(u"schema 99"), qPrintable(newer.problem()));
      QVERIFY(newer.add(entryOf("A", "params read", "OK")) == 0 && newer.setAside().isEmpty());
    }
    QCOMPARE(sql("SELECT value FROM meta WHERE key = 'schema'").toString(), u"99"_qs);
    QCOMPARE(sql("SELECT COUNT(*) FROM entries").toInt(), 1);
    QVERIFY(kt::readFile(address) == before);
  }

  void damaged_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<bool>("pages");
    QTest::newRow("garbage") << "sqlite" << false;
    QTest::newRow("a history with its pages overwritten") << "sqlite" << true;
  }
  // A damaged SQLite file is kept, byte for byte, under a new name, and a fresh history begun in its place.
  void damaged() {
    QFETCH(bool, pages);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    if (pages) {
      {
        HistoryDb db(address);
        for (int i = 0; i < 200; ++i)
          QVERIFY(db.add(entryOf("A", "params write", "OK", i, "PX")) > 0);
      }
      bytes = kt::readFile(address).left(8192) + bytes; // the header and the schema's page kept
    }
    QVERIFY(kt::writeFile(address, bytes));
    HistoryDb db(address);
    QVERIFY2(db.open(), qPrintable(db.problem()));
    QVERIFY(!db.setAside().isEmpty() && kt::readFile(db.setAside()) == bytes);
    QVERIFY(db.add(entryOf("A", "params read", "OK")) > 0);
    QCOMPARE(db.count({}), qint64(1));
  }

  void lines_data() { backends(); }
  void lines() {
    using Line = HistoryDb::Line;
    HistoryDb db(address);
    QVERIFY2(db.addLine({"press 1", "/dev/ttyUSB0", "north hall"}), qPrintable(db.problem()));
    QVERIFY(db.addLine({"press 2", "tcp://10.0.0.5:4001", {}}));
    QVERIFY(!db.addLine({"press 1", "/dev/ttyUSB9", {}}) && !db.problem().isEmpty());
    QVERIFY(!db.updateLine("press 1", {"press 2", "/dev/ttyUSB9", {}}));
    QVERIFY(!db.updateLine("press 9", {"press 9", "/dev/ttyUSB9", {}}));
    QCOMPARE(db.lines(), (QList<Line>{{"press 1", "/dev/ttyUSB0", "north hall"}, {"press 2", "tcp://10.0.0.5:4001", ""}}));
    QVERIFY2(db.updateLine("press 1", {"press 3", "rfc2217://10.0.0.6:4001", "moved"}), qPrintable(db.problem()));
    QVERIFY(!db.removeLine("press 1") && db.removeLine("press 2"));
    HistoryDb other(address);
    QCOMPARE(other.lines(), (QList<Line>{{"press 3", "rfc2217://10.0.0.6:4001", "moved"}}));
    QCOMPARE(other.line("press 3").value_or(Line()).address, u"rfc2217://10.0.0.6:4001"_qs);
    QVERIFY(!other.line("press 2"));
  }

  void roundTrip_data() { backends(); }
  // Every field comes back as kept; the list leaves the sets out.
  void roundTrip() {
    HistoryDb::Entry e{0, QDateTime(QDate(2026, 3, 1), QTime(8, 30, 15, 123), Qt::UTC), "プレス 1", "/dev/ttyUSB0",
                       "ZT-KOV 2.10", "params write", "NG", "転送エラー\nline 2", QByteArray("\0\x01\xff\r\n", 5).repeated(1000),
                       "POSI", R"([{"group":"A","name":"speed","a":"10","b":"12"}])", false};
    HistoryDb db(address);
    e.id = db.add(e);
    QVERIFY2(e.id > 0, qPrintable(db.problem()));
    const qint64 bare = db.add(entryOf("A", "alarm", "event"));
    QVERIFY(bare > e.id && db.approve(e.id) && !db.approve(bare + 1));
    e.approved = true;
    const auto fields = [](const HistoryDb::Entry &x) {
      return QVariantList{x.id, x.time, x.line, x.address, x.version, x.command, x.result, x.message, x.params, x.posi,
                          x.differences, x.approved};
    };
    HistoryDb other(address);
    QCOMPARE(fields(other.entry(e.id).value_or(HistoryDb::Entry())), fields(e));
    QVERIFY(other.entry(bare)->params.isEmpty() && other.entry(bare)->posi.isEmpty() && !other.entry(bare + 1));
    e.params = e.posi = {};
    const QList<HistoryDb::Entry> listed = other.entries({});
    QCOMPARE(listed.size(), qsizetype(2));
    QCOMPARE(fields(listed[1]), fields(e));
  }

  void filters_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<HistoryDb::Filter>("filter"); // line, since, command, result, beforeId, limit
    QTest::addColumn<QList<qint64>>("expected"); // ids, newest first
    QTest::addColumn<qint64>("counted");
    for (const char *backend : {"sqlite", "postgresql"}) {
      const auto row = [&](const char *name) { return &(QTest::addRow("%s: %s", backend, name) << backend); };
      // Without any one term one more entry would pass; "since" is 5's own hour.
      *row("every term") << HistoryDb::Filter{"A", T0.addSecs(3 * 3600), "params write", "OK", 0, 0}
                         << QList<qint64>{5} << qint64(1);
      *row("first page") << HistoryDb::Filter{"", {}, "", "", 0, 2} << QList<qint64>{6, 5} << qint64(6);
      *row("a line's next page") << HistoryDb::Filter{"A", {}, "", "", 5, 2} << QList<qint64>{4, 3} << qint64(3);
    }
  }
  void filters() {
    QFETCH(HistoryDb::Filter, filter);
    HistoryDb db(address);
    for (const HistoryDb::Entry &e :
         {entryOf("A", "params write", "OK", 0), entryOf("B", "params write", "OK", 3), entryOf("A", "params write", "NG", 3),
          entryOf("A", "check", "OK", 3), entryOf("A", "params write", "OK", 3), entryOf("B", "check", "NG", 5)})
      QVERIFY2(db.add(e) > 0, qPrintable(db.problem()));
    QList<qint64> got;
    for (const HistoryDb::Entry &e : db.entries(filter))
      got << e.id;
    QTEST(got, "expected");
    QTEST(db.count(filter), "counted");
  }

  void reference_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("params"); // the params' reference, else the index data's
    QTest::addColumn<qint64>("expected"); // the step; -1: none
    const Step write{"A", "params write", "OK", "P"}, approved{"A", "params write", "OK", "P", true};
    for (const char *backend : {"sqlite", "postgresql"}) {
      const auto row = [&](const char *name) { return &(QTest::addRow("%s: %s", backend, name) << backend); };
      *row("the newest approved, over a newer write") << QList<Step>{approved, approved, write} << true << 1ll;
      *row("an OK write, not a failed one nor a read")
          << QList<Step>{write, {"A", "params write", "failed", "P"}, {"A", "params write", "NG", "P"},
                         {"A", "params read", "OK", "P"}}
          << true << 0ll;
      *row("an approved read, not an approved entry without the set")
          << QList<Step>{write, {"A", "params read", "OK", "P", true}, {"A", "index write", "OK", "X", true}} << true << 1ll;
      *row("a restore") << QList<Step>{write, {"A", "restore", "OK", "PX"}} << true << 1ll;
      *row("a restore, index data") << QList<Step>{{"A", "index write", "OK", "X"}, {"A", "restore", "OK", "PX"}}
                                    << false << 1ll;
      *row("another line's") << QList<Step>{{"B", "params write", "OK", "P"}, write, {"B", "params write", "OK", "P", true}}
                             << true << 1ll;
    }
  }
  void reference() {
    QFETCH(QList<Step>, steps);
    QFETCH(bool, params);
    HistoryDb db(address);
    for (const Step &s : steps) {
      const qint64 id = db.add(entryOf(s.line, s.command, s.result, 0, s.sets));
      QVERIFY2(id > 0 && (!s.approved || db.approve(id)), qPrintable(db.problem()));
    }
    const std::optional<HistoryDb::Entry> ref = db.reference("A", params);
    QTEST(ref ? ref->id - 1 : -1, "expected"); // ids count from 1
    QVERIFY(!ref || !(params ? ref->params : ref->posi).isEmpty());
  }

  void killed_data() { backends(); }
  // A writer killed at any moment leaves every entry it was told was kept, and only whole ones.
  void killed() {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("seed %u", seed);
    QList<QList<qint64>> printed;
    for (int run = 0; run < 100; ++run) {
      QProcess w;
      start(w, run, 0);
      // Killed after a few entries (none: while it opens the history), in the middle of another.
      QByteArray out;
      for (const int wanted = random.bounded(12); !out.startsWith("ready\n") || idsOf(out).size() < wanted;) {
        QVERIFY2(w.waitForReadyRead(10000), w.readAllStandardError().constData());
        out += w.readAllStandardOutput();
      }
      QThread::usleep(random.bounded(3000));
      w.kill(); // SIGKILL
      QVERIFY2(w.waitForFinished(5000) && w.exitStatus() == QProcess::CrashExit, w.readAllStandardError().constData());
      printed << idsOf(out + w.readAllStandardOutput());
    }
    checkWritten(printed);
  }

  void sixteenWriters_data() { backends(); }
  // Sixteen writers open one new, empty history at the same moment (the schema
  // made by one of them) and write together; every entry is kept once.
  void sixteenWriters() {
    constexpr int Writers = 16, Each = 50;
    QProcess writers[Writers];
    for (int i = 0; i < Writers; ++i)
      start(writers[i], i, Each, {"--wait"});
    for (QProcess &w : writers)
      while (!w.canReadLine())
        QVERIFY(w.waitForReadyRead(10000));
    // Written out now: QProcess would send it only while waiting on that writer.
    for (QProcess &w : writers)
      QVERIFY(w.write("go\n") == 3 && w.waitForBytesWritten(5000));
    QList<QList<qint64>> printed;
    for (QProcess &w : writers) {
      QVERIFY(w.waitForFinished(30000));
      const QByteArray err = w.readAllStandardError();
      QVERIFY2(w.exitStatus() == QProcess::NormalExit && w.exitCode() == 0 && err.isEmpty(), err.constData());
      printed << idsOf(w.readAllStandardOutput());
    }
    QCOMPARE(HistoryDb(address).count({}), qint64(Writers * Each));
    checkWritten(printed);
  }
};

KOV_TEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
