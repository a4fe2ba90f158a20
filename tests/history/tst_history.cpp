// The history database on both its backends, an SQLite file and a real
// PostgreSQL 15 server: its schema, the lines, the entries and their
// filters, the drift check's reference, and what writers killed midway or
// sixteen at once leave behind.
#include "historydb.h"
#include "postgres.h"
#include "testenv.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <memory>
#include <vector>

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);

// An entry of `line` at T0 + `hour`; `sets` "P" params, "X" index data.
HistoryDb::Entry entryOf(const QString &line, const QString &command, const QString &result, int hour = 0,
                         const QString &sets = {}) {
  HistoryDb::Entry e;
  e.time = T0.addSecs(3600 * hour);
  e.line = line;
  e.address = QStringLiteral("/dev/ttyUSB0");
  e.command = command;
  e.result = result;
  if (sets.contains(u'P'))
    e.params = QByteArray("params of ") + command.toUtf8() + QByteArray::number(hour);
  if (sets.contains(u'X'))
    e.posi = QByteArray("posi of ") + command.toUtf8() + QByteArray::number(hour);
  return e;
}

// One entry of the reference cases.
struct Step {
  QString line, command, result, sets;
  bool approved = false;
};

// What a history_writer's entry says of itself: "WRITER SEQ LENGTH MD5" of its set.
struct Written {
  int writer = -1;
  qint64 seq = -1;
  bool whole = false;
};
Written writtenOf(const HistoryDb::Entry &e) {
  const QStringList f = e.message.split(u' ');
  Written w;
  if (f.size() != 4)
    return w;
  w.writer = f[0].toInt();
  w.seq = f[1].toLongLong();
  w.whole = e.line == QStringLiteral("writer %1").arg(w.writer) && e.params.size() == f[2].toInt() &&
            QCryptographicHash::hash(e.params, QCryptographicHash::Md5).toHex() == f[3].toLatin1();
  return w;
}

// The ids a writer printed so far, one a line ("ready" first).
QList<qint64> idsOf(const QByteArray &out) {
  QList<qint64> ids;
  for (const QByteArray &line : out.split('\n')) {
    bool ok = false;
    const qint64 id = line.toLongLong(&ok);
    if (ok)
      ids << id;
  }
  return ids;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestHistory : public QObject {
  Q_OBJECT
  Postgres pg;
  int made = 0;

  static void backends() {
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
  }

  // A new, empty history on the row's backend; left empty when there is
  // none (the test has failed or is skipped and returns).
  void fresh(QString *address) {
    ++made;
    if (kt::row<QString>("backend") == u"sqlite") {
      *address = kt::path(QStringLiteral("history%1.sqlite").arg(made));
      return;
    }
    // The server's own durability is not tested here; without it a
    // database is made in milliseconds.
    if (pg.server.state() != QProcess::Running)
      KT_START_POSTGRES(pg, {"fsync=off"});
    const QString name = QStringLiteral("history%1").arg(made);
    QVERIFY2(pg.create(name), qPrintable(pg.why));
    *address = pg.address(name);
  }

  // The first value `statement` gives, past HistoryDb; the connection is
  // closed again so that an SQLite file is left alone.
  QVariant sql(const QString &address, const QString &statement) {
    QVariant value;
    {
      const bool postgres = address.startsWith(u"postgresql:");
      QSqlDatabase c = QSqlDatabase::addDatabase(postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                                 QStringLiteral("raw"));
      if (postgres) {
        c.setHostName(pg.folder.path());
        c.setPort(pg.port);
        c.setUserName(pg.user);
      }
      c.setDatabaseName(postgres ? QUrl(address).path().mid(1) : address);
      if (!c.open()) {
        qWarning("%s: %s", qPrintable(address), qPrintable(c.lastError().text()));
      } else {
        QSqlQuery q(c);
        if (!q.exec(statement))
          qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        else if (q.next())
          value = q.value(0);
      }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return value;
  }

  // A history_writer, ended with the test even when the test fails midway.
  struct Stopped {
    void operator()(QProcess *p) const {
      kt::stop(*p);
      delete p;
    }
  };
  using Writer = std::unique_ptr<QProcess, Stopped>;
  static Writer writer(const QString &address, int tag, int count, bool wait = false) {
    Writer p(new QProcess);
    QStringList args{address, QString::number(tag), QString::number(count)};
    if (wait)
      args << "--wait";
    p->start(QStringLiteral(KOV_HISTORY_WRITER_PATH), args);
    return p;
  }

private Q_SLOTS:
  // What the history warns of is a fault the operator would see.
  void init() { QTest::failOnWarning(QRegularExpression(".")); }
  void cleanupTestCase() { pg.stop(); }

  void schema_data() { backends(); }
  // Made at version 1 on first use; a database of a newer program is refused
  // and left as it was.
  void schema() {
    QFETCH(QString, backend);
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    {
      HistoryDb db(address);
      QVERIFY2(db.open(), qPrintable(db.problem()));
      QVERIFY(db.add(entryOf("A", "params read", "OK")) > 0);
    }
    QCOMPARE(sql(address, "SELECT value FROM meta WHERE key = 'schema'").toString(), u"1"_qs);
    {
      HistoryDb again(address);
      QVERIFY2(again.open(), qPrintable(again.problem()));
      QCOMPARE(again.count({}), qint64(1));
    }

    sql(address, "UPDATE meta SET value = '99' WHERE key = 'schema'");
    const QByteArray before = backend == u"sqlite" ? kt::readFile(address) : QByteArray();
    {
      HistoryDb newer(address);
      QVERIFY(!newer.open());
      QVERIFY2(newer.problem().contains(u"schema 99"), qPrintable(newer.problem()));
      QCOMPARE(newer.add(entryOf("A", "params read", "OK")), 0);
      QVERIFY(newer.setAside().isEmpty());
    }
    QCOMPARE(sql(address, "SELECT value FROM meta WHERE key = 'schema'").toString(), u"99"_qs);
    QCOMPARE(sql(address, "SELECT COUNT(*) FROM entries").toInt(), 1);
    if (backend == u"sqlite")
      QVERIFY(kt::readFile(address) == before);
  }

  void damaged_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<bool>("pages");
    QTest::newRow("garbage") << "sqlite" << false;
    QTest::newRow("a history with its pages overwritten") << "sqlite" << true;
  }
  // A damaged SQLite file is kept, byte for byte, under a new name, and a
  // fresh history begun in its place.
  void damaged() {
    QFETCH(bool, pages);
    QString file;
    fresh(&file);
    QRandomGenerator random(7);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    if (pages) {
      {
        HistoryDb db(file);
        for (int i = 0; i < 200; ++i)
          QVERIFY(db.add(entryOf("A", "params write", "OK", i, "PX")) > 0);
      }
      // The header and the schema's page kept, the rest overwritten.
      bytes = kt::readFile(file).left(8192) + bytes;
    }
    QVERIFY(kt::writeFile(file, bytes));

    HistoryDb db(file);
    QVERIFY2(db.open(), qPrintable(db.problem()));
    QVERIFY(!db.setAside().isEmpty());
    QVERIFY(kt::readFile(db.setAside()) == bytes);
    QVERIFY(db.add(entryOf("A", "params read", "OK")) > 0);
    QCOMPARE(db.count({}), qint64(1));
  }

  void lines_data() { backends(); }
  void lines() {
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    using Line = HistoryDb::Line;
    HistoryDb db(address);
    QVERIFY2(db.addLine({"press 1", "/dev/ttyUSB0", "north hall"}), qPrintable(db.problem()));
    QVERIFY(db.addLine({"press 2", "tcp://10.0.0.5:4001", {}}));
    QVERIFY(!db.addLine({"press 1", "/dev/ttyUSB9", {}}));
    QVERIFY(!db.problem().isEmpty());
    QVERIFY(!db.updateLine("press 1", {"press 2", "/dev/ttyUSB9", {}}));
    QVERIFY(!db.updateLine("press 9", {"press 9", "/dev/ttyUSB9", {}}));
    QCOMPARE(db.lines(), (QList<Line>{{"press 1", "/dev/ttyUSB0", "north hall"}, {"press 2", "tcp://10.0.0.5:4001", ""}}));

    QVERIFY2(db.updateLine("press 1", {"press 3", "rfc2217://10.0.0.6:4001", "moved"}), qPrintable(db.problem()));
    QVERIFY(!db.removeLine("press 1"));
    QVERIFY(db.removeLine("press 2"));
    HistoryDb other(address);
    QCOMPARE(other.lines(), (QList<Line>{{"press 3", "rfc2217://10.0.0.6:4001", "moved"}}));
    QCOMPARE(other.line("press 3")->address, u"rfc2217://10.0.0.6:4001"_qs);
    QVERIFY(!other.line("press 2"));
  }

  void roundTrip_data() { backends(); }
  // Every field comes back as kept; the list leaves the sets out.
  void roundTrip() {
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    HistoryDb::Entry e = entryOf("プレス 1", "params write", "NG", 0);
    e.time = QDateTime(QDate(2026, 3, 1), QTime(8, 30, 15, 123), Qt::UTC);
    e.version = "ZT-KOV 2.10";
    e.message = "転送エラー\nline 2";
    e.params = QByteArray("\0\x01\xff\r\n", 5).repeated(1000);
    e.posi = "POSI";
    e.differences = R"([{"group":"A","name":"speed","a":"10","b":"12"}])";
    HistoryDb db(address);
    const qint64 id = db.add(e);
    QVERIFY2(id > 0, qPrintable(db.problem()));
    const qint64 bare = db.add(entryOf("A", "alarm", "event"));
    QVERIFY(bare > id);
    QVERIFY(db.approve(id));
    QVERIFY(!db.approve(bare + 1));

    HistoryDb other(address);
    const std::optional<HistoryDb::Entry> got = other.entry(id);
    QVERIFY2(got, qPrintable(other.problem()));
    e.id = id;
    e.approved = true;
    const auto fields = [](const HistoryDb::Entry &x) {
      return QVariantList{x.id, x.time, x.line, x.address, x.version, x.command, x.result, x.message, x.params, x.posi,
                          x.differences, x.approved};
    };
    QCOMPARE(fields(*got), fields(e));
    QVERIFY(other.entry(bare)->params.isEmpty() && other.entry(bare)->posi.isEmpty());
    QVERIFY(!other.entry(bare + 1));

    const QList<HistoryDb::Entry> listed = other.entries({});
    QCOMPARE(listed.size(), qsizetype(2));
    e.params.clear();
    e.posi.clear();
    QCOMPARE(fields(listed[1]), fields(e));
  }

  void filters_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("sinceHour"); // -1: none
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("before"); // the entry whose id ends the page; -1: none
    QTest::addColumn<int>("limit");
    QTest::addColumn<QList<int>>("expected"); // the entries, newest first
    QTest::addColumn<int>("counted");
    for (const char *backend : {"sqlite", "postgresql"}) {
      const auto row = [&](const char *name) { return &(QTest::addRow("%s: %s", backend, name) << backend); };
      *row("all") << "" << -1 << "" << "" << -1 << 0 << QList<int>{6, 5, 4, 3, 2, 1, 0} << 7;
      *row("line") << "A" << -1 << "" << "" << -1 << 0 << QList<int>{6, 4, 3, 2, 0} << 5;
      *row("since") << "" << 3 << "" << "" << -1 << 0 << QList<int>{6, 5, 4, 3} << 4;
      *row("command") << "" << -1 << "params write" << "" << -1 << 0 << QList<int>{6, 4, 2, 1} << 4;
      *row("result") << "" << -1 << "" << "OK" << -1 << 0 << QList<int>{6, 5, 3, 1, 0} << 5;
      *row("all at once") << "A" << 1 << "params write" << "OK" << -1 << 0 << QList<int>{6} << 1;
      *row("first page") << "" << -1 << "" << "" << -1 << 3 << QList<int>{6, 5, 4} << 7;
      *row("next page") << "" << -1 << "" << "" << 4 << 3 << QList<int>{3, 2, 1} << 4;
      *row("last page") << "" << -1 << "" << "" << 1 << 3 << QList<int>{0} << 1;
      *row("a line's next page") << "A" << -1 << "" << "" << 4 << 2 << QList<int>{3, 2} << 3;
      *row("no such line") << "C" << -1 << "" << "" << -1 << 0 << QList<int>{} << 0;
    }
  }
  void filters() {
    QFETCH(QString, line);
    QFETCH(int, sinceHour);
    QFETCH(QString, command);
    QFETCH(QString, result);
    QFETCH(int, before);
    QFETCH(int, limit);
    QFETCH(QList<int>, expected);
    QFETCH(int, counted);
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    HistoryDb db(address);
    const QList<HistoryDb::Entry> kept{
        entryOf("A", "params read", "OK", 0),  entryOf("B", "params write", "OK", 1),
        entryOf("A", "params write", "NG", 2), entryOf("A", "index write", "OK", 3),
        entryOf("A", "params write", "failed", 4), entryOf("B", "check", "OK", 5),
        entryOf("A", "params write", "OK", 6)};
    QList<qint64> ids;
    for (const HistoryDb::Entry &e : kept)
      ids << db.add(e);
    QVERIFY2(!ids.contains(0), qPrintable(db.problem()));

    HistoryDb::Filter f;
    f.line = line;
    if (sinceHour >= 0)
      f.since = T0.addSecs(3600 * sinceHour);
    f.command = command;
    f.result = result;
    f.beforeId = before >= 0 ? ids[before] : 0;
    f.limit = limit;
    QList<qint64> want, got;
    for (int i : expected)
      want << ids[i];
    for (const HistoryDb::Entry &e : db.entries(f))
      got << e.id;
    QCOMPARE(got, want);
    QCOMPARE(db.count(f), qint64(counted));
  }

  void reference_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("params"); // the params' reference, else the index data's
    QTest::addColumn<int>("expected"); // the step; -1: none
    const Step write{"A", "params write", "OK", "P"}, approved{"A", "params write", "OK", "P", true};
    for (const char *backend : {"sqlite", "postgresql"}) {
      const auto row = [&](const char *name) { return &(QTest::addRow("%s: %s", backend, name) << backend); };
      *row("the newest OK write") << QList<Step>{write, write} << true << 1;
      *row("approved over a newer OK write") << QList<Step>{approved, write} << true << 0;
      *row("the newest approved") << QList<Step>{approved, approved, write} << true << 1;
      *row("a failed write never") << QList<Step>{write, {"A", "params write", "failed", "P"},
                                                  {"A", "params write", "NG", "P"}}
                                   << true << 0;
      *row("only a failed write") << QList<Step>{{"A", "params write", "failed", "P"}} << true << -1;
      *row("a read is none") << QList<Step>{{"A", "params read", "OK", "P"}} << true << -1;
      *row("an approved read") << QList<Step>{write, {"A", "params read", "OK", "P", true}} << true << 1;
      *row("a restore") << QList<Step>{write, {"A", "restore", "OK", "PX"}} << true << 1;
      *row("a restore, index data") << QList<Step>{{"A", "index write", "OK", "X"}, {"A", "restore", "OK", "PX"}}
                                    << false << 1;
      *row("the other set's write") << QList<Step>{{"A", "index write", "OK", "X"}} << true << -1;
      *row("approved without the set") << QList<Step>{write, {"A", "index write", "OK", "X", true}} << true << 0;
      *row("another line's") << QList<Step>{{"B", "params write", "OK", "P"}, write,
                                            {"B", "params write", "OK", "P", true}}
                             << true << 1;
    }
  }
  void reference() {
    QFETCH(QList<Step>, steps);
    QFETCH(bool, params);
    QFETCH(int, expected);
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    HistoryDb db(address);
    QList<qint64> ids;
    for (const Step &s : steps) {
      ids << db.add(entryOf(s.line, s.command, s.result, int(ids.size()), s.sets));
      QVERIFY2(ids.last() > 0, qPrintable(db.problem()));
      if (s.approved)
        QVERIFY(db.approve(ids.last()));
    }
    const std::optional<HistoryDb::Entry> ref = db.reference("A", params);
    QCOMPARE(ref ? ref->id : qint64(-1), expected >= 0 ? ids[expected] : qint64(-1));
    if (ref)
      QVERIFY(!(params ? ref->params : ref->posi).isEmpty());
  }

  void killed_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("kills");
    QTest::newRow("sqlite") << "sqlite" << 100;
    QTest::newRow("postgresql") << "postgresql" << 100;
  }
  // A writer killed at any moment leaves every entry it was told was kept,
  // and only whole ones.
  void killed() {
    QFETCH(int, kills);
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const QByteArray said = "seed " + QByteArray::number(seed);
    QList<qint64> printed;
    for (int run = 0; run < kills; ++run) {
      const auto w = writer(address, run, 0);
      // Killed after a few entries (none: while it opens the history), at
      // a moment in the middle of others.
      QByteArray out;
      for (const int wanted = random.bounded(12); !out.startsWith("ready\n") || idsOf(out).size() < wanted;) {
        QVERIFY2(w->waitForReadyRead(10000), (said + ": " + w->readAllStandardError()).constData());
        out += w->readAllStandardOutput();
      }
      QThread::usleep(random.bounded(3000));
      ::kill(pid_t(w->processId()), SIGKILL);
      QVERIFY(w->waitForFinished(5000));
      QVERIFY2(w->exitStatus() == QProcess::CrashExit, (said + ": " + w->readAllStandardError()).constData());
      printed << idsOf(out + w->readAllStandardOutput());
    }

    HistoryDb db(address);
    QHash<int, QList<qint64>> seqs; // of each writer
    QSet<qint64> present;
    for (const HistoryDb::Entry &listed : db.entries({})) {
      const std::optional<HistoryDb::Entry> e = db.entry(listed.id);
      QVERIFY2(e, qPrintable(db.problem()));
      const Written w = writtenOf(*e);
      QVERIFY2(w.whole, (said + ": entry " + QByteArray::number(e->id) + " is not whole: " + e->message.toUtf8()).constData());
      seqs[w.writer] << w.seq;
      present << e->id;
    }
    for (const qint64 id : std::as_const(printed))
      QVERIFY2(present.contains(id), (said + ": entry " + QByteArray::number(id) + " was said to be kept").constData());
    // No writer's entry went missing before a later one of its own.
    for (auto it = seqs.cbegin(); it != seqs.cend(); ++it)
      for (qsizetype i = 0; i < it->size(); ++i)
        QCOMPARE(it->at(it->size() - 1 - i), qint64(i));
    QVERIFY(seqs.size() <= kills);
  }

  void sixteenWriters_data() { backends(); }
  // Sixteen writers open one new, empty history at the same moment (the
  // schema made by one of them) and write together; every entry is kept once.
  void sixteenWriters() {
    constexpr int Writers = 16, Each = 50;
    QString address;
    fresh(&address);
    if (address.isEmpty())
      return;
    std::vector<Writer> writers;
    for (int i = 0; i < Writers; ++i) {
      writers.push_back(writer(address, i, Each, true));
      QVERIFY(writers.back()->waitForStarted(5000));
    }
    for (auto &w : writers)
      while (!w->canReadLine())
        QVERIFY(w->waitForReadyRead(10000));
    // Written out now: QProcess would send it only while waiting on that writer.
    for (auto &w : writers)
      QVERIFY(w->write("go\n") == 3 && w->waitForBytesWritten(5000));
    QList<qint64> printed;
    for (auto &w : writers) {
      QVERIFY(w->waitForFinished(30000));
      const QByteArray err = w->readAllStandardError();
      QVERIFY2(w->exitStatus() == QProcess::NormalExit && w->exitCode() == 0 && err.isEmpty(), err.constData());
      printed << idsOf(w->readAllStandardOutput());
    }
    QCOMPARE(printed.size(), qsizetype(Writers * Each));

    HistoryDb db(address);
    QSet<QPair<int, qint64>> seen;
    QSet<qint64> ids;
    for (const HistoryDb::Entry &listed : db.entries({})) {
      const Written w = writtenOf(*db.entry(listed.id));
      QVERIFY2(w.whole, qPrintable(listed.message));
      QVERIFY2(!seen.contains({w.writer, w.seq}), qPrintable(listed.message));
      seen.insert({w.writer, w.seq});
      ids << listed.id;
    }
    QCOMPARE(seen.size(), qsizetype(Writers * Each));
    QCOMPARE(ids, QSet<qint64>(printed.cbegin(), printed.cend()));
  }
};

KOV_TEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
