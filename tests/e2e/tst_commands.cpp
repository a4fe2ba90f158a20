// kov-t6-cli's table of commands: what the batch plan's check accepts is
// what the command runs, whatever the order of its options, and every
// documented command line holds.
#include "batch.h"
#include "commands.h"
#include "testenv.h"

#include <QRegularExpression>

namespace {
QStringList words(const QString &s) { return QProcess::splitCommand(s); } // quoted as a shell quotes

// A command line as documented: the run's own options left out.
QStringList commandWords(QStringList w) {
  for (const cli::Option &o : cli::GlobalOptions())
    if (const qsizetype i = w.indexOf(o.name); i >= 0)
      w.remove(i, o.value.isEmpty() ? 1 : 2);
  return w;
}

std::optional<cli::Args> parse(const QStringList &w, QString *why) {
  qsizetype named = 0;
  const cli::Command *c = cli::Find(w, &named, why);
  return c ? cli::Parse(*c, w.mid(named), why) : std::nullopt;
}
} // namespace

class tst_Commands : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void stepsRefused_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("why"); // a part of the reason
    QTest::newRow("diff with two B sides") << "params diff A --standard 28 B" << "one of B.pmt";
    QTest::newRow("diff with no B side") << "params diff A" << "one of B.pmt";
    QTest::newRow("diff, standard and controller") << "params diff A --standard 28 --controller" << "one of";
    QTest::newRow("diff, --encoder alone") << "params diff A B --encoder" << "--encoder belongs";
    QTest::newRow("diff, no such size") << "params diff A --standard 99" << "SIZE";
    QTest::newRow("standard, no such size") << "params standard 99 -o s.pmt" << "SIZE";
    QTest::newRow("standard not saved") << "params standard 28" << "needs -o";
    QTest::newRow("report without -o") << "print index f.ztd" << "needs -o";
    QTest::newRow("-o without its file") << "print index f.ztd -o" << "-o needs";
    QTest::newRow("a current out of range") << "params write p.pmt --current 2.5" << "--current takes";
    QTest::newRow("a current of two decimals") << "params verify p.pmt --current 1.25" << "--current takes";
    QTest::newRow("write without its file") << "params write" << "usage: params write";
    QTest::newRow("read with a word") << "index read x.ztd" << "usage: index read";
    QTest::newRow("an option of another command") << "params read --all" << "takes no option --all";
    QTest::newRow("a step and a count") << "move --step --count 2" << "--step takes neither";
    QTest::newRow("no moves") << "move --count 0" << "--count needs";
    QTest::newRow("a dwell too long") << "move --count 2 --dwell 656" << "--dwell takes";
    QTest::newRow("moves without end") << "move --dwell 2" << "runs unattended";
    QTest::newRow("a monitor without end") << "io --toggle OUT1" << "runs unattended";
    QTest::newRow("an input switched") << "io --seconds 1 --toggle STB" << "--toggle takes";
    QTest::newRow("no time") << "io --seconds 0" << "--seconds takes";
    QTest::newRow("a verb misspelt") << "params wirte p.pmt" << "unknown command 'params wirte'";
    QTest::newRow("no verb") << "index" << "index takes read or write";
    QTest::newRow("words after a word-less command") << "version now" << "usage: version";
    QTest::newRow("the batch's own option") << "version --json" << "belongs to the batch";
    QTest::newRow("the ports of the PC") << "ports" << "cannot be a step";
    QTest::newRow("a batch in a batch") << "batch p.csv" << "cannot be a step";
  }
  // Refused before anything runs, with a reason.
  void stepsRefused() {
    QFETCH(QString, step);
    QFETCH(QString, why);
    QVERIFY2(cli::CheckStep(words(step)).contains(why), qPrintable(cli::CheckStep(words(step))));
  }

  void anyOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("report, -o first") << "print index -o out.pdf f.ztd" << "print index f.ztd -o out.pdf";
    QTest::newRow("comparison, -o between") << "print diff A.pmt -o d.pdf B.pmt" << "print diff A.pmt B.pmt -o d.pdf";
    QTest::newRow("diff, the side first") << "params diff --standard 35 A.pmt --all --encoder"
                                          << "params diff A.pmt --standard 35 --encoder --all";
    QTest::newRow("standard, -o first") << "params standard -o s.pmt --encoder SP" << "params standard SP --encoder -o s.pmt";
    QTest::newRow("write, current first") << "params write --current 1.2 p.pmt" << "params write p.pmt --current 1.2";
  }
  // The same step, whichever way round: accepted and parsed alike.
  void anyOrder() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QCOMPARE(cli::CheckStep(words(a)), QString());
    QString why;
    const auto pa = parse(words(a), &why), pb = parse(words(b), &why);
    QVERIFY(pa && pb);
    QCOMPARE(pa->words, pb->words);
    for (const auto &[name, value] : pb->options)
      QCOMPARE(pa->value(name), value);
  }

  void fileNamed_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("file");
    QTest::newRow("a report: its source") << "print index -o out.pdf f.ztd" << "f.ztd";
    QTest::newRow("a read: what it saves") << "index read -o r.ztd" << "r.ztd";
    QTest::newRow("a read saving nothing") << "params read" << "";
    QTest::newRow("a verification: its file") << "params verify --current 1.0 v.pmt" << "v.pmt";
    QTest::newRow("a standard set: what it saves") << "params standard 28 -o s.pmt" << "s.pmt";
    QTest::newRow("a diff: its A side") << "params diff --controller a.pmt" << "a.pmt";
    QTest::newRow("no file") << "move --count 2" << "";
  }
  void fileNamed() {
    QFETCH(QString, run);
    QString why;
    qsizetype named = 0;
    const cli::Command *c = cli::Find(words(run), &named, &why);
    QVERIFY(c);
    const auto args = cli::Parse(*c, words(run).mid(named), &why);
    QVERIFY2(args, qPrintable(why));
    QTEST(cli::FileOf(*c, *args), "file");
  }

  // Every command line of the README and docs/CLI.md parses, every plan of
  // docs/CLI.md passes the batch's check, and every command of the table is
  // shown at work there and has its --help.
  void documentedLinesHold() {
    int lines = 0, plans = 0;
    QSet<QString> used;
    for (const char *doc : {KOV_CLI_DOC, KOV_README}) {
      const QString text = QString::fromUtf8(kt::readFile(doc));
      static const QRegularExpression block(u"```(sh|csv)\n(.*?)```"_qs, QRegularExpression::DotMatchesEverythingOption);
      for (auto it = block.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == u"csv") {
          QString error;
          QVERIFY2(batch::ParsePlan(m.captured(2).toUtf8(), &error), qPrintable(error));
          ++plans;
          continue;
        }
        for (QString line : m.captured(2).split(u'\n')) {
          line = line.section(u'#', 0, 0).section(u'>', 0, 0).trimmed();
          if (!line.startsWith(u"kov-t6-cli ") && !line.startsWith(u"$cli "))
            continue;
          if (line.contains(u'['))
            continue; // a synopsis, not a run
          QString why;
          const QStringList w = commandWords(words(line).mid(1));
          QVERIFY2(parse(w, &why), qPrintable(line + u": "_qs + why));
          qsizetype named = 0;
          used << cli::Find(w, &named, &why)->name;
          ++lines;
        }
      }
    }
    QVERIFY(lines >= 30);
    QCOMPARE(plans, 1);
    for (const cli::Command &c : cli::Commands()) {
      QVERIFY2(used.contains(c.name), qPrintable(c.name));
      QVERIFY2(cli::Help(c.name.section(u' ', 0, 0)).contains(c.name), qPrintable(c.name));
      QVERIFY(cli::Overview().contains(c.synopsis));
    }
  }
};

QTEST_GUILESS_MAIN(tst_Commands)
#include "tst_commands.moc"
