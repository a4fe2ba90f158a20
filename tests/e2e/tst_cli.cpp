// kov-t6-cli end to end: the real executable against kov-sim on a pty.
#include "simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>
#include <unistd.h>

namespace {
// Texts as the console prints them: a line each, CR LF as LF.
QString say(std::initializer_list<QString> texts) {
  QString out;
  for (const QString &t : texts)
    out += QString(t).replace(u"\r\n"_qs, u"\n"_qs) + u'\n';
  return out;
}
QString timeout() { return say({kt::msg(100) + u"\n\n"_qs + kt::msg(101) + u"\n\n"_qs + kt::msg(102) +
                                u"\n\n"_qs + kt::msg(103)}); }
QString esc(const QString &s) { return QRegularExpression::escape(s); }
// The whole text: "*" any, "~PATTERN", or literally.
bool matches(const QString &want, const QString &got) {
  return want == u"*" || (want.startsWith(u'~') ? QRegularExpression(u"^(?:"_qs + want.mid(1) + u")$"_qs)
                                                      .match(got).hasMatch() : got == want);
}
const QByteArray Ztd = "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                       "0,\"1500\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n";
// The same keys and types throughout; an array by its first element.
bool sameShape(const QJsonValue &want, const QJsonValue &got, const QString &at, QString *why) {
  if (want.type() != got.type())
    return *why = at, false;
  if (want.isObject()) {
    const QJsonObject w = want.toObject(), g = got.toObject();
    if (w.keys() != g.keys())
      return *why = at + u": "_qs + g.keys().join(u' '), false;
    for (const QString &k : w.keys())
      if (!sameShape(w[k], g[k], at + u'.' + k, why))
        return false;
  }
  if (want.isArray() && !want.toArray().isEmpty() && !got.toArray().isEmpty())
    return sameShape(want.toArray().first(), got.toArray().first(), at + u"[0]"_qs, why);
  return true;
}
} // namespace

class tst_Cli : public QObject {
  Q_OBJECT
  SimProcess sim;
  QStringList mounted; // tmpfs folders to unmount at the end

  // Words of a row; "in" and "out" are files in the test's folder.
  static QStringList words(const QString &s) {
    QStringList w = s.split(u' ', Qt::SkipEmptyParts);
    for (QString &a : w)
      a = a == u"in" || a == u"out" ? kt::path(a) : a;
    return w;
  }
  QString device; // the pty's link, or the network line kov-sim serves
  Run cli(const QStringList &args) {
    return runProgram(KOV_CLI_PATH, QStringList{"--device", device, "--lang", "en", "--timeout-scale", "0.1"} + args);
  }

  // One row of commands_data.
  static void row(const char *name, const char *simArgs, const char *before, const QByteArray &file, const char *args,
                  int exit, const QString &out, const QString &err, const char *wire, const QByteArray &saved = {}) {
    QTest::newRow(name) << QString(simArgs) << QString(before) << file << QString(args) << exit << out << err
                        << QString(wire) << saved;
  }
  static const QString &usage() {
    static const QString pattern = u"~kov-t6-cli: [^\n]+ \\(see kov-t6-cli --help\\)\n"_qs;
    return pattern;
  }
  // The rows of commands_data that move the axis, watch the I/O, refuse a
  // run, or reach the simulator over the network.
  static void motionAndLineRows() {
    const char *std28 = "params standard 28 -o in";
    row("home", "--time-scale 0.01", "", {}, "home", 0, "", "*", "0CM6 0MP00( 0RA)+");
    row("one step", "--time-scale 0.01", "", {}, "move --step", 0, "~move 1: \\d+ ms\n", "", "0RA 0MP01( 0RA)+");
    row("two moves with a dwell", "--time-scale 0.01", "", {}, "move --count 2 --dwell 1", 0,
        "~move 1: \\d+ ms\nmove 2: \\d+ ms\n", "", "0RA 0MP01( 0RA)+ 0MP01( 0RA)+");
    const QString summary = u"%1: count %2, min (\\d+\\.\\d), median (\\d+\\.\\d), mean [\\d.]+, max (\\d+\\.\\d), SD [\\d.]+\n"_qs;
    // The last move has no cycle: no move command follows it.
    row("five moves with statistics", "--time-scale 0.01", "", {}, "move --count 5 --stats", 0,
        u"~(move \\d: \\d+ ms\n){5}"_qs + summary.arg(kt::msg(5273), "5") + summary.arg(kt::msg(5274), "4"), "",
        "0RA 0MP01( 0RA)+( 0MP01( 0RA)+){4}");
    row("moves as CSV, the summary on standard error", "--time-scale 0.01", "", {}, "move --count 2 --csv --stats", 0,
        "~move,move_ms,cycle_ms\n1,\\d+,\\d+\n2,\\d+,\n", u"~"_qs + summary.arg(kt::msg(5273), "2") +
        summary.arg(kt::msg(5274), "1"), "0RA 0MP01( 0RA)+ 0MP01( 0RA)+");
    row("monitor, OUT1 switched", "", "", {}, "io --seconds 0.7 --toggle OUT1", 0,
        "~STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=0\n(STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=1\n)+", "",
        "0CM7 0RI 0RO 0WO21( 0RI 0RO)+ 0CM0");
    row("monitor as CSV", "", "", {}, "io --csv --seconds 0.7", 0,
        "~ms,STB,RES,ALM,RDY,IN-P,OUT2,OUT1\n(\\d+,0,0,0,1,0,0,0\n)+", "", "0CM7( 0RI 0RO)+ 0CM0");
    row("unknown command", "", "", {}, "fly", 2, "", usage(), "");
    row("a report, its options first", "", "", Ztd, "print index -o out in", 0, "", "*", "", "%PDF");
    row("a report that cannot be saved says why", "", "", Ztd, "print index in -o /nonexistent/x.pdf", 3, "",
        "~(?s).*/nonexistent/x\\.pdf: No such file or directory\n.*", "");
    row("no such signal to switch", "", "", {}, "io --toggle OUT3", 2, "", usage(), "");
    row("a batch takes its lines from its plan, not --device", "", "", "line,steps\n/dev/null,version\n", "batch in",
        2, "", usage(), "");
    // A line at a serial device server: raw TCP, and RFC 2217 a network's delay away.
    const QString std28Read = u"OFFSET: 30\nVEL: 10\nOFSVEL: 10\nPULSE: 400\nAUTO DRIVE: %1\nMOTOR: 28\nFUNCTION: %2\n"
                              u"ALM: 100\nHOME OUT: %3\nIN-P WID: 10\nPG TIMER: 125\nAUTO HOME: %4\nLS TIMER: 0\n"
                              u"EMG LOGIC: %5\nALM1 CLEAR: %4\n"_qs.arg(kt::msg(641), kt::msg(652), kt::msg(657),
                                                                        kt::msg(655), kt::msg(690));
    row("parameters read over TCP", "--tcp 0", std28, {}, "--yes params read -o out", 0, std28Read, "*", "0CM6 .*",
        "{in}");
    row("index written over RFC 2217", "--tcp 0 --rfc2217 --latency 20", "", Ztd, "--yes index write in", 0, "",
        say({kt::msg(375)}), "0RA 0WP0105DC200000010802 0WA0101");
    row("monitor over RFC 2217", "--tcp 0 --rfc2217", "", {}, "io --seconds 0.7 --toggle OUT1", 0,
        "~STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=0\n(STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=1\n)+", "",
        "0CM7 0RI 0RO 0WO21( 0RI 0RO)+ 0CM0");
    // Its first reading comes after 0.6 s: the 0.3 s are counted from there.
    row("monitor a network's delay away", "--tcp 0 --latency 100", "", {}, "--timeout-scale 1 io --seconds 0.3", 0,
        "~(STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=0\n)+", "", "0CM7( 0RI 0RO)+ 0CM0");
  }

private Q_SLOTS:
  void init() { device = sim.link; }
  void cleanupTestCase() {
    for (const QString &folder : mounted)
      QProcess::execute("umount", {folder});
  }

  void commands_data() {
    QTest::addColumn<QString>("simArgs");
    QTest::addColumn<QString>("before"); // runs that must succeed first, ';' between
    QTest::addColumn<QByteArray>("file"); // "in" (null: none)
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");     // "{in}": its path
    QTest::addColumn<QString>("wire");    // the lines of this run, a pattern
    QTest::addColumn<QByteArray>("saved"); // "out" starts so; "{in}": as "in"
    const QString failed = u"kov-t6-cli: %1 failed\n"_qs, opening = failed.arg(u"opening {in}"_qs);
    row("version", "", "", {}, "version", 0, "version: 1.10\n", say({kt::msg(418) + u"1.10"_qs + kt::msg(419)}),
        "0CM6 0RV");
    row("status", "", "", {}, "status", 0, "status: 1\n", "", "0RA");
    row("status, no reply", "--fault 0RA:noreply", "", {}, "status", 3, "", timeout() + failed.arg("status"), "0RA");
    row("index write", "", "", Ztd, "--yes index write in", 0, "", say({kt::msg(375)}),
        "0RA 0WP0105DC200000010802 0WA0101");
    row("no --yes, no terminal: nothing written", "", "", Ztd, "index write in", 3, "",
        say({kt::msg(375)}) + failed.arg("index write"), "");
    row("file without list items: nothing written", "", "", QByteArray(Ztd).replace("\"8\",\"2\"", "\"8\",\"0\""),
        "--yes index write in", 3, "", say({kt::msg(3009)}) + opening, "");
    row("parameter file missing", "", "", {}, "--yes params write in", 3, "",
        say({kt::msg(681), "{in}", "No such file or directory"}) + opening, "");
    row("index read and saved", "", "", {}, "--yes index read -o out", 0,
        u"%1: 10\n%2: 2\n%3: 8\n%4: 3\n%5: CW\n"_qs.arg(kt::msg(3002), kt::msg(3003), kt::msg(3004), kt::msg(3005),
                                                     kt::msg(3008)), say({kt::msg(370)}), "0CM6 0RP01",
        "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n0,\"1000\",\"2\",\"0\",\"0\",\"0\",\"8\",\"3\",\"\"\r\n");
    // Parameters 2 and 5 have no box: a save writes their fixed values.
    row("standard set saved, no controller", "", "", {}, "params standard 28 -o out", 0, "", say({kt::msg(14)}), "",
        "\"ZT-KOV\",\"PRM\"\r\n6\r\n\"HOME\",5,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n"
        "\"AXIS\",7,1\r\n65535\r\n2\r\n400\r\n0\r\n20\r\n2\r\n\"28L100\"\r\n");
    const char *std28 = "params standard 28 -o in", *blocks = "0RA 0WD0\\w{32} 0WD1\\w{32} 0WD2\\w{32} 0WE";
    row("parameters written", "", std28, {}, "--yes params write in", 0, "", "*",
        "0RA 0WD0\\w{32} 0WD10202019000FFFF14001C4C0064000000 0WD2\\w{32} 0WE");
    row("parameters verified", "", std28, {}, "--yes params verify in", 0, "", say({kt::msg(826)}), ".*");
    row("verification finds differences", "", "params standard 35 --encoder -o in", {}, "--yes params verify in",
        1, "", u"~"_qs + esc(say({kt::msg(823)})) + u"(?s).*MOTOR.*"_qs, ".*");
    row("parameters read back as saved", "", std28, {}, "--yes params read -o out", 0, "*", "*", "0CM6 .*",
        "{in}");
    const char *stdSp = "params standard SP -o in";
    row("size SP without a current: nothing sent", "", stdSp, {}, "--yes params write in", 3, "",
        "~(?s).*--current.*", "");
    row("size SP, current of two decimals", "", stdSp, {}, "--yes params write in --current 1.23", 2, "", usage(),
        "");
    row("size SP, current written", "", stdSp, {}, "--yes params write in --current 1.2", 0, "", "*",
        (QByteArray(blocks) + " 0RD7 0WD7\\w{12}00E1\\w{16} 0WF").constData()); // 1.2 A
    row("size SP verified against another current", "", "params standard SP -o in;--yes params write in --current 1.2",
        {}, "--yes params verify in --current 1.3", 1, "", "~(?s).*:CURRENT,.*", ".*");
    // Differences as they would be written: parameters 2 and 5 have no box and
    // are written as 1, where the controller's standard set holds 30 and 10.
    row("diff, the standard set as saved", "", std28, {}, "params diff in --standard 28", 0, "", "", "");
    row("diff, two files", "", "params standard 35 --encoder -o in;params standard 28 -o out", {},
        "params diff in out", 1,
        u"AXIS MOTOR: 35L100 \u2192 28L100\nPG FUNCTION: %1 \u2192 %2\n"_qs.arg(kt::msg(653), kt::msg(652)), "", "");
    row("diff, every parameter", "", std28, {}, "params diff in --standard SP --all", 1,
        u"~HOME OFFSET: 30\n(.+\n){10}AXIS MOTOR: 28L100 \u2192 20L100\n(.+\n){22}RESERVED Reserved6: 0\n"_qs, "",
        "");
    row("diff against the controller", "", std28, {}, "params diff in --controller", 1,
        u"HOME No.2: 1 \u2192 30\nHOME No.5: 1 \u2192 10\n"_qs, "", "0RD0 0RD1 0RD2");
    row("diff, a file cut short", "", "", "\"ZT-KOV\",\"PRM\"\r\n", "params diff in --standard 28", 3, "",
        say({kt::msg(681), "{in}", kt::msg(5002)}) + failed.arg("params diff"), "");
    row("diff, --encoder without --standard", "", "", {}, "params diff in out --encoder", 2, "", usage(), "");
    motionAndLineRows();
  }

  void commands() {
    QFETCH(QString, simArgs);
    QFETCH(QString, before);
    QFETCH(QByteArray, file);
    QFETCH(QString, args);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, wire);
    QFETCH(QByteArray, saved);
    const bool network = simArgs.startsWith(u"--tcp");
    QVERIFY(network ? sim.startTcp(words(simArgs)) : sim.start(words(simArgs)));
    device = network ? sim.url.toString() : sim.link;
    QVERIFY(kt::writeFile(kt::path("in"), file));
    QVERIFY(kt::writeFile(kt::path("out"), QByteArray()));
    for (const QString &b : before.split(u';', Qt::SkipEmptyParts))
      QCOMPARE(cli(words(b)).code, 0);
    const qsizetype sent = sim.wire().size();
    const Run run = cli(words(args));
    QVERIFY2(matches(out, QString::fromUtf8(run.out)), run.out.constData());
    QVERIFY2(matches(err.replace(u"{in}"_qs, kt::path("in")), QString::fromUtf8(run.err)), run.err.constData());
    QTEST(run.code, "exit");
    const auto line = [&] { return QString::fromLatin1(sim.wire().mid(sent).join(' ')); };
    QTRY_VERIFY2(matches(u'~' + wire, line()), qPrintable(line()));
    if (!saved.isNull())
      QVERIFY(kt::readFile(kt::path("out")).startsWith(saved == "{in}" ? kt::readFile(kt::path("in")) : saved));
  }

  // The plant's memory against kov-sim: each row in a history of its own.
  // A run names its line by --device unless it says --line; "{dev}" is the
  // simulator's line. `kept` is the history's commands afterwards, newest first.
  void memory_data() {
    QTest::addColumn<QString>("simArgs");
    QTest::addColumn<QString>("before"); // runs that must succeed first, ';' between
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("kept");
    const QString p = u"--yes params write P.pmt"_qs, s = u"--yes params write S.pmt"_qs;
    const auto row = [](const char *name, const char *sim, const QString &before, const char *args, int exit,
                        const QString &out, const QString &err, const char *kept) {
      QTest::newRow(name) << QString(sim) << before << QString(args) << exit << out << err << QString(kept);
    };
    row("a safe write keeps the controller's set first", "", "", "--safe --yes params write P.pmt", 0, "", "*",
        "params write,params backup");
    row("a safe write the controller did not keep fails", "--drop-writes", "", "--safe --yes params write S.pmt", 3,
        "", u"~(?s).*"_qs + esc(kt::msg(5357).arg(4).arg(1)) + u".*"_qs, "params write,params backup");
    row("a set the controller kept is no drift", "", p, "check", 0, "",
        u"~(?s).*"_qs + esc(kt::msg(5354).arg("{dev}", "1")) + u".*"_qs, "check,params write");
    row("drift from the approved set", "", p + u"; history approve 1; "_qs + s, "check", 1,
        u"AXIS MOTOR: 28L100 → 35L100\nPG FUNCTION: "_qs + kt::msg(652) + u" → "_qs + kt::msg(653) + u'\n', "*",
        "check,params write,params write");
    row("nothing written: nothing to check against", "", "", "check", 3, "",
        u"~(?s).*"_qs + esc(kt::msg(5353).arg("{dev}")) + u".*"_qs, "check");
    row("a restore writes an entry's set back, safely", "", s + u"; "_qs + p, "--yes restore 1", 0, "", "*",
        "restore,params backup,params write,params write");
    row("an alarm is kept as an event", "--fault 0RA:error:1", "", "status", 3, "", "*", "alarm");
    row("a named line stands for its device", "", u"lines add L1 --device {dev}"_qs, "--line L1 status", 0,
        "status: 1\n", "", "");
    row("an unknown line is said", "", "", "--line L9 status", 3, "",
        u"~(?s).*"_qs + esc(kt::msg(5360).arg("L9")) + u".*"_qs, "");
    row("a plan's line by its name, a safe write and a check", "", u"lines add L1 --device {dev}"_qs,
        "batch plan.csv", 0, "*", "", "check,params write,params backup");
    // Its folder is a file: nothing can be kept, and the read is done all the same.
    row("a history that cannot be kept changes nothing", "", "", "--yes index read", 0, "*",
        u"~(?s).*"_qs + esc(kt::msg(5351).section(u'(', 0, 0)) + u".*"_qs, "");
  }

  void memory() {
    QFETCH(QString, simArgs);
    QFETCH(QString, before);
    QFETCH(QString, args);
    QFETCH(QString, err);
    QVERIFY(sim.start(words(simArgs)));
    const QString folder = kt::path(QString::fromLatin1(QTest::currentDataTag()).left(20));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray shared = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", shared); });
    qputenv("XDG_DATA_HOME", folder.toLocal8Bit()); // a history of the row's own
    if (QByteArray(QTest::currentDataTag()).contains("cannot be kept"))
      QVERIFY(kt::writeFile(folder + u"/KOV-T6"_qs, "not a folder"));
    const auto run = [&](const QString &line) {
      QStringList w = words(QString(line).replace(u"{dev}"_qs, sim.link));
      const bool lineless = w.contains(u"batch"_qs) || w.contains(u"history"_qs); // every line's
      if (!w.contains(u"--line"_qs) && !w.contains(u"--device"_qs) && !lineless)
        w = QStringList{"--device", sim.link} + w;
      return runProgram(KOV_CLI_PATH, QStringList{"--lang", "en", "--timeout-scale", "0.1"} + w, 20000, folder);
    };
    QVERIFY(kt::writeFile(folder + u"/plan.csv"_qs, "line,steps\nL1,params write P.pmt --safe; check\n"));
    for (const char *set : {"params standard 28 -o P.pmt", "params standard 35 --encoder -o S.pmt"})
      QCOMPARE(run(QString::fromLatin1(set)).code, 0);
    for (const QString &b : before.split(u';', Qt::SkipEmptyParts))
      QCOMPARE(run(b).code, 0);
    const Run r = run(args);
    QFETCH(QString, out);
    QVERIFY2(matches(out, QString::fromUtf8(r.out)), r.out.constData());
    err.replace(esc(u"{dev}"_qs), esc(sim.link));
    QVERIFY2(matches(err, QString::fromUtf8(r.err)), r.err.constData());
    QTEST(r.code, "exit");
    QStringList kept;
    const QJsonObject list = QJsonDocument::fromJson(run("--json history").out).object();
    for (const QJsonValue &e : list["values"]["entries"].toArray())
      kept << e["command"].toString();
    QTEST(kept.join(u','), "kept");
  }

  // Each example of the --json reference, run in order in an empty folder:
  // the documented keys and types, command, ok and exit.
  void documentedJson() {
    const QString doc = QString::fromUtf8(kt::readFile(KOV_CLI_DOC));
    static const QRegularExpression example(u"```sh\nkov-t6-cli ([^\n]+)\n```\n\n```json\n(.*?)\n```"_qs,
                                            QRegularExpression::DotMatchesEverythingOption);
    QTemporaryDir folder;
    // The examples' entry numbers count from a history of their own.
    const QByteArray shared = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", shared); });
    qputenv("XDG_DATA_HOME", folder.path().toLocal8Bit());
    int examples = 0;
    for (auto it = example.globalMatch(doc); it.hasNext(); ++examples) {
      const auto m = it.next();
      const QJsonObject want = QJsonDocument::fromJson(m.captured(2).toUtf8()).object();
      const Run run = runProgram(KOV_CLI_PATH, m.captured(1).split(u' '), 20000, folder.path());
      const QList<QByteArray> lines = run.out.split('\n');
      QVERIFY2(lines.size() == 2 && lines[1].isEmpty(), run.out + run.err); // one object on one line
      const QJsonObject got = QJsonDocument::fromJson(lines[0]).object();
      QString why;
      QVERIFY2(sameShape(want, got, m.captured(1), &why), qPrintable(why));
      for (const char *key : {"command", "ok", "exit", "result"})
        QVERIFY2(want[key] == got[key], qPrintable(m.captured(1) + u' ' + QString::fromLatin1(key)));
      QCOMPARE(run.code, got["exit"].toInt());
    }
    QCOMPARE(examples, 25);
  }

  // Ctrl+C is the Stop button: the run or the monitor ends as it would.
  void ctrlCPressesStop_data() {
    QTest::addColumn<QString>("simArgs");
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QByteArray>("last");
    QTest::newRow("moves until Ctrl+C") << "--time-scale 0.05" << "move" << 0 << QByteArray("0RA");
    QTest::newRow("moves until Ctrl+C, with statistics") << "--time-scale 0.05" << "move --stats" << 0
                                                         << QByteArray("0RA");
    // The terminal's own key for a second press of Home.
    QTest::newRow("homing never reported") << "--homing-ends 2" << "home" << 3 << QByteArray("0RA");
    QTest::newRow("monitor until Ctrl+C") << "" << "io" << 0 << QByteArray("0CM0");
  }

  void ctrlCPressesStop() {
    QFETCH(QString, simArgs);
    QFETCH(QString, args);
    QFETCH(QByteArray, last);
    QVERIFY(sim.start(words(simArgs)));
    QProcess p;
    p.start(KOV_CLI_PATH, QStringList{"--device", sim.link, "--lang", "en", "--timeout-scale", "0.1"} + words(args));
    QVERIFY(p.waitForStarted(5000));
    QTRY_VERIFY(sim.wire().size() >= 4); // under way
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit);
    QTEST(p.exitCode(), "exit");
    if (args == u"home")
      QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(kt::msg(5217)));
    if (args.endsWith(u"--stats"))
      QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(u'\n' + kt::msg(5274) + u": "_qs));
    QTRY_COMPARE(sim.wire().value(sim.wire().size() - 1), last);
  }

  // Four lines at once: one whose verification differs and one that
  // vanishes in its first write; the others finish, the summary and the
  // exit status say so, and the record has a line a step run.
  void batchOfFourLines() {
    SimProcess lines[4];
    QStringList rows{"line,steps", "# line 7"};
    for (int i = 0; i < 4; ++i) {
      lines[i].link = kt::path(u"line%1"_qs.arg(i));
      lines[i].log = kt::path(u"wire%1.log"_qs.arg(i));
      QVERIFY(lines[i].start(i == 3 ? QStringList{"--fault", "0WD1:vanish"} : QStringList{}));
      rows << lines[i].link + u",\"params write s28.pmt; params verify "_qs + (i == 1 ? u"s35"_qs : u"s28"_qs) +
                  u".pmt; version\""_qs;
    }
    QVERIFY(kt::writeFile(kt::path("plan.csv"), rows.join(u'\n').toUtf8()));
    for (const char *size : {"28", "35"})
      QCOMPARE(cli({"params", "standard", size, "-o", kt::path(u"s%1.pmt"_qs.arg(size))}).code, 0);
    const QString record = kt::path("batch.csv");
    const Run run = runProgram(KOV_CLI_PATH, {"--lang", "en", "--timeout-scale", "0.1", "--record", record, "--json",
                                              "batch", kt::path("plan.csv")}, 20000, kt::dir().path());
    QCOMPARE(run.code, 3);
    QList<QByteArray> out = run.out.trimmed().split('\n');
    QCOMPARE(out.size(), 5);
    QCOMPARE(QJsonDocument::fromJson(out.takeLast())["summary"].toObject(),
             (QJsonObject{{"lines", 4}, {"ok", 2}, {"ng", 1}, {"failed", 1}, {"stopped", 0}, {"exit", 3}}));
    QHash<QString, QString> states;
    int steps = 0;
    for (const QByteArray &o : out) {
      const QJsonObject line = QJsonDocument::fromJson(o).object();
      states[line["line"].toString()] = line["state"].toString();
      steps += int(line["steps"].toArray().size());
    }
    QCOMPARE(states, (QHash<QString, QString>{{lines[0].link, "OK"}, {lines[1].link, "NG"}, {lines[2].link, "OK"},
                                              {lines[3].link, "failed"}}));
    QCOMPARE(steps, 10); // the failed write ended its line
    QVERIFY(!lines[3].wire().contains("0RV"));
    const QStringList recorded = QString::fromUtf8(kt::readFile(record)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(recorded.size(), 11);
    QCOMPARE(recorded.filter(u"params verify,s35.pmt,NG,"_qs).size(), 1);
    QCOMPARE(recorded.filter(u",failed,"_qs).size(), 1);
  }

  // A line that is NG or failed says why, in the summary (and the table).
  void batchReasons() {
    SimProcess lines[2];
    for (int i = 0; i < 2; ++i) {
      lines[i].link = kt::path(u"reason%1"_qs.arg(i));
      lines[i].log = kt::path(u"reason%1.log"_qs.arg(i));
      QVERIFY(lines[i].start(i == 1 ? QStringList{"--fault", "0RV:vanish"} : QStringList{}));
    }
    QCOMPARE(cli({"params", "standard", "35", "-o", kt::path("s35.pmt")}).code, 0);
    QVERIFY(kt::writeFile(kt::path("plan.csv"), (u"line,steps\n"_qs + lines[0].link + u",params verify s35.pmt\n"_qs +
                                                 lines[1].link + u",version\n"_qs).toUtf8()));
    const Run run = runProgram(KOV_CLI_PATH, {"--lang", "en", "--timeout-scale", "0.1", "batch", kt::path("plan.csv")},
                               20000, kt::dir().path());
    QCOMPARE(run.code, 3);
    const QStringList out = QString::fromUtf8(run.out).split(u'\n');
    const QString why = kt::msg(5303).arg(1).arg(u"AXIS MOTOR"_qs);
    QVERIFY(out.contains(u"  "_qs + lines[0].link + u": NG — "_qs + why));
    // The step's own line says it too.
    QCOMPARE(out.filter(QRegularExpression(u"^"_qs + esc(lines[0].link) + u": .* NG \\([\\d.]+ s\\): "_qs + esc(why) + u'$')).size(), 1);
    QVERIFY(out.contains(u"  "_qs + lines[1].link + u": "_qs + kt::msg(5300) + u" — "_qs + kt::msg(71)));
  }

  // Every line passed: exit 0, and the summary says so.
  void batchPassed() {
    QVERIFY(sim.start());
    QVERIFY(kt::writeFile(kt::path("plan.csv"), (u"line,steps\n"_qs + sim.link + u",status; version\n"_qs).toUtf8()));
    const Run run = runProgram(KOV_CLI_PATH, {"--lang", "en", "batch", kt::path("plan.csv")}, 20000, kt::dir().path());
    QCOMPARE(run.code, 0);
    QVERIFY(run.out.endsWith(kt::msg(5301).arg(1).arg(1).arg(0).arg(0).arg(0).toUtf8() + '\n'));
  }

  void batchKeepsItsLine_data() {
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<int>("expected"); // connections
    QTest::newRow("held from step to step") << false << 1;
    QTest::newRow("the peer hung up after the first step") << true << 2;
  }
  // A network line connects once for all its steps; after a peer that hung
  // up between steps, the next step connects again and passes.
  void batchKeepsItsLine() {
    QFETCH(bool, hangUp);
    QVERIFY(sim.startTcp({"--tcp", "127.0.0.1:0", "--rfc2217"}));
    // Between the line and kov-sim: counts the connections, and may end the
    // first after its first reply.
    QTcpServer relay;
    QVERIFY(relay.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&relay, &QTcpServer::newConnection, &relay, [&] {
      QTcpSocket *line = relay.nextPendingConnection(), *server = new QTcpSocket(line);
      const bool drop = ++connections == 1 && hangUp;
      connect(line, &QTcpSocket::readyRead, server, [=] { server->write(line->readAll()); });
      connect(server, &QTcpSocket::readyRead, line, [=] {
        const QByteArray bytes = server->readAll();
        line->write(bytes);
        if (drop && bytes.endsWith("\r\n")) { // the first step's one reply, and at once the hang-up
          line->flush();
          line->disconnectFromHost();
        }
      });
      connect(line, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
      server->connectToHost(sim.url.host(), quint16(sim.url.port()));
    });
    QVERIFY(kt::writeFile(kt::path("plan.csv"), u"line,steps\nrfc2217://127.0.0.1:%1,status; status; version\n"_qs
                                                    .arg(relay.serverPort()).toUtf8()));
    QProcess batch;
    batch.start(KOV_CLI_PATH, {"--lang", "en", "--json", "batch", kt::path("plan.csv")});
    QTRY_VERIFY_WITH_TIMEOUT(batch.state() == QProcess::NotRunning, 20000);
    const QByteArray out = batch.readAllStandardOutput();
    QVERIFY2(batch.exitCode() == 0, out.constData());
    QTEST(connections, "expected");
  }

  void malformedPlan_data() {
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("error");
    QTest::newRow("no header") << QByteArray("{sim},version\n") << "row 1, column 1: ";
    QTest::newRow("a third column") << QByteArray("line,steps\n{sim},version,status\n") << "row 2, column 3: ";
    QTest::newRow("no such line") << QByteArray("line,steps\nCOM1,version\n") << "row 2, column 1: ";
    QTest::newRow("one line twice") << QByteArray("line,steps\n{sim},version\n\n{sim},status\n")
                                    << "row 4, column 1: ";
    QTest::newRow("an unknown command") << QByteArray("line,steps\n{sim},version; params wirte p.pmt\n")
                                        << "row 2, column 2: step 2: ";
    QTest::newRow("a file missing") << QByteArray("line,steps\n{sim},params write\n") << "row 2, column 2: step 1: ";
    QTest::newRow("a diff with two B sides") << QByteArray("line,steps\n{sim},status; params diff A --standard 28 B\n")
                                             << "row 2, column 2: step 2: ";
    QTest::newRow("moves without end") << QByteArray("line,steps\n{sim},move\n") << "row 2, column 2: step 1: ";
    QTest::newRow("a quote not closed") << QByteArray("line,steps\n{sim},\"version\n") << "row 2, column 2: ";
  }
  // The row and column are named, and nothing runs, on any line.
  void malformedPlan() {
    QFETCH(QByteArray, plan);
    QFETCH(QString, error);
    QVERIFY(sim.start());
    QVERIFY(kt::writeFile(kt::path("plan.csv"), plan.replace("{sim}", sim.link.toUtf8())));
    const Run run = runProgram(KOV_CLI_PATH, {"batch", kt::path("plan.csv")});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.startsWith((kt::path("plan.csv") + u": "_qs + error).toUtf8()), run.err.constData());
    QVERIFY(sim.wire().isEmpty());
  }

  // Ctrl+C at the terminal (the whole process group): no new step starts,
  // the running steps finish whole, and the summary says what was done.
  void ctrlCDuringABatch() {
    QVERIFY(sim.start({"--time-scale", "0.3"}));
    SimProcess other;
    other.link = kt::path("other");
    other.log = kt::path("other.log");
    QVERIFY(other.start());
    QVERIFY(kt::writeFile(kt::path("plan.csv"), (u"line,steps\n"_qs + sim.link + u",move --count 3; version\n"_qs +
                                                 other.link + u",status; status\n"_qs).toUtf8()));
    QProcess p;
    p.setChildProcessModifier([] { ::setsid(); }); // a terminal's session of its own
    p.start(KOV_CLI_PATH, {"--lang", "en", "batch", "--jobs", "1", kt::path("plan.csv")});
    QTRY_VERIFY(sim.wire().contains("0MP01"));
    ::kill(-pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 3);
    QCOMPARE(sim.wire().count("0MP01"), 3); // the move step was not cut short
    QVERIFY(!sim.wire().contains("0RV") && other.wire().isEmpty());
    QVERIFY(p.readAllStandardError().contains(kt::msg(5302).toUtf8()));
    QVERIFY(p.readAllStandardOutput().endsWith(kt::msg(5301).arg(2).arg(0).arg(0).arg(0).arg(2).toUtf8() + '\n'));
  }

  // Each read, write or verification adds its line once its outcome is
  // known; a record that cannot be written fails the command.
  void commissioningRecord() {
    QVERIFY(sim.start());
    const QString record = kt::path("record.csv"), pmt = kt::path("rec.pmt");
    QVERIFY(kt::writeFile(record, QByteArray()));
    QCOMPARE(cli({"--record", record, "params", "read", "-o", pmt}).code, 0);
    QCOMPARE(cli({"--record", record, "params", "verify", pmt}).code, 0);
    QCOMPARE(cli({"--record", record, "status"}).code, 0); // not a transfer: no line
    const QStringList lines = QString::fromUtf8(kt::readFile(record)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3); // a header, then a line each
    QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT[\\d:]+,COM1 — [^,]+,,params read,"_qs + esc(pmt) +
                                u",OK,$"_qs).match(lines[1]).hasMatch(), qPrintable(lines[1]));
    QVERIFY2(lines[2].endsWith(u"params verify,"_qs + pmt + u",OK,0"_qs), qPrintable(lines[2]));
    const Run folder = cli({"--record", kt::dir().path(), "params", "read"});
    QVERIFY(folder.code == 3 && folder.err.contains("the commissioning record could not be written"));
  }

  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("args");
    QTest::addColumn<bool>("full"); // onto a full disk holding the old file, else onto /dev/full
    QTest::addColumn<int>("message");
    QTest::newRow("standard set to /dev/full") << "params standard 35" << false << 13;
    QTest::newRow("index read to a full disk") << "--yes index read" << true << 3011;
    QTest::newRow("parameters read to a full disk") << "--yes params read" << true << 13;
  }

  // A save that cannot be completed fails with the system's reason; the
  // file that was there stays byte for byte, with no temporary left.
  void failedSaveKeepsTheOldFile() {
    QFETCH(QString, args);
    QFETCH(bool, full);
    QFETCH(int, message);
    const QString folder = kt::path(QTest::currentDataTag()), target = full ? folder + u"/keep"_qs : u"/dev/full"_qs;
    const QByteArray old(223, 'k');
    if (full) {
      QVERIFY(QDir().mkpath(folder));
      if (::geteuid() != 0 || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
        QSKIP("a full file system needs root and a tmpfs mount");
      mounted << folder;
      QFile filler(folder + u"/filler"_qs);
      QVERIFY(kt::writeFile(target, old) && filler.open(QIODevice::WriteOnly));
      while (filler.write(QByteArray(512, 'x')) > 0 && filler.flush()) {
      }
    }
    QVERIFY(sim.start());
    const Run run = cli(words(args) + QStringList{"-o", target});
    QVERIFY2(run.code == 3 && QString::fromUtf8(run.err).contains(say({kt::msg(message), target,
                                                                          "No space left on device"})), run.err);
    QVERIFY(!full || (kt::readFile(target) == old && QDir(folder).entryList(QDir::Files).size() == 2));
  }

  // Reports drawn into real PDFs hold their lines, Japanese glyphs included.
  void reportsAsPdf() {
    const QString ztd = kt::path("in.ztd"), pmt = kt::path("in.pmt"), pdf = kt::path("report.pdf");
    QVERIFY(kt::writeFile(ztd, QByteArray(Ztd).replace("1500", "3000").replace("\"8\",\"2\"", "\"8\",\"10\"")));
    QCOMPARE(runProgram(KOV_CLI_PATH, {"params", "standard", "28", "-o", pmt}).code, 0);
    const QString pmt35 = kt::path("in35.pmt");
    QCOMPARE(runProgram(KOV_CLI_PATH, {"params", "standard", "35", "-o", pmt35}).code, 0);
    const QList<std::pair<QStringList, QStringList>> reports{
        {{"en", "index", ztd}, {kt::msg(212) + u"in.ztd"_qs, kt::msg(3002) + u" : 100"_qs, kt::msg(3004) + u" : 8"_qs}},
        {{"ja", "params", pmt}, {u"ZT-KOV Parameters "_qs + kt::msg(25, 1) + u"in.pmt"_qs, "1.OFFSET: 30",
                                 u"1. HOME OUT: "_qs + kt::msg(657, 1), u"4. EMG LOGIC: "_qs + kt::msg(690, 1)}},
        {{"en", "diff", pmt, pmt35}, {u"A: "_qs + pmt, u"B: "_qs + pmt35, "* MOTOR 28L100 35L100", "OFFSET 30 30",
                                      kt::msg(5320).arg(1).arg(35), kt::msg(5323).arg(1)}}};
    for (const auto &[args, lines] : reports) {
      QCOMPARE(runProgram(KOV_CLI_PATH, QStringList{"--lang", args[0], "print"} + args.mid(1) + QStringList{"-o", pdf}).code, 0);
      const Run text = runProgram("pdftotext", {"-layout", pdf, "-"});
      QVERIFY2(text.code == 0, "pdftotext (poppler-utils) is needed");
      // Glyphs shared by an ideograph and its radical come back as either.
      QString got = QString::fromUtf8(text.out).normalized(QString::NormalizationForm_KC);
      got.replace(QRegularExpression(u"[ \t]+"_qs), u" "_qs);
      for (const QString &line : lines)
        QVERIFY2(got.contains(line.normalized(QString::NormalizationForm_KC)), qPrintable(line + u'\n' + got));
    }
  }

  // Where no window can open, the program still answers a terminal user.
  void guiPrintsWithoutADisplay() {
    for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      qunsetenv(v);
    const Run help = runProgram(KOV_GUI_PATH, {"--help"}), version = runProgram(KOV_GUI_PATH, {"--version"});
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCOMPARE(help.code, 0);
    QVERIFY2(help.out.contains("--simulator"), help.err.constData());
    QCOMPARE(version.code, 0);
    QVERIFY(version.out.startsWith("KOV-T6 "));
  }
};

KOV_TEST_MAIN(tst_Cli)
#include "tst_cli.moc"
