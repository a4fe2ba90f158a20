#include "paramblocks.h"
#include "paramdiff.h"
#include "paramrig.h"

#include <QProcess>
#include <QSignalSpy>
#include <csignal>

Q_DECLARE_METATYPE(ParametaRecord)

namespace {

// The standard size-28 set as the page takes it in, saved.
const QByteArray Standard28File =
    "\"ZT-KOV\",\"PRM\"\r\n6\r\n"
    "\"HOME\",5,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n"
    "\"AXIS\",7,1\r\n65535\r\n2\r\n400\r\n0\r\n20\r\n2\r\n\"28L100\"\r\n"
    "\"PG\",2,1\r\n0\r\n100\r\n"
    "\"ETC\",8,1\r\n0\r\n0\r\n0\r\n0\r\n10\r\n10\r\n0\r\n0\r\n"
    "\"SPECIAL\",6,1\r\n125\r\n0\r\n0\r\n1\r\n0\r\n0\r\n"
    "\"RESERVED\",7,1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";

} // namespace

class tst_Files : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  // The file a save writes; its numbers read back as they were, also those
  // with more digits than a screen shows.
  void save() {
    ParamRig r;
    r.dialogs.files << kt::path("std.pmt");
    r.f.cmdSaveParaFile.click();
    QCOMPARE(r.dialogs.shown, QStringList{kt::msg(14)});
    QCOMPARE(kt::readFile(kt::path("std.pmt")), Standard28File);
    for (double v : {262143.0, 0.1, 0.30000000000000004, 7.777777777777777e39}) {
      ParametaRecord p = standard28();
      p.Aux18 = v;
      QVERIFY(parafile::CopyParaFileArray(parafile::Parse(QString::fromUtf8(parafile::Format(p))).list, {}) == p);
    }
  }

  // A file's entries land in the fields the controller's entries of the same number fill.
  void entriesAsFromTheController() {
    ParametaList a;
    for (int n = 1; n < int(a.size()); ++n)
      a[std::size_t(n)] = n;
    a[12] = "28L100";
    a[37] = "28";
    a[38] = "L";
    a[39] = 100;
    ParametaRecord fromCt;
    bool pg = false, editable = false;
    CopyParaArray(a, fromCt, pg, editable);
    const auto fromFile = parafile::CopyParaFileArray(a, ParametaRecord{});
    QVERIFY(fromFile);
    QCOMPARE(*fromFile, fromCt);
  }

  void refusedFiles_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("first"); // said before 681
    QTest::addColumn<QString>("reason"); // under 681, after the path
    QTest::newRow("another kind") << QByteArray("\"PRM\"") << QByteArray("\"POS\"") << kt::msg({22, 20})
                                  << kt::msg(22);
    auto row = [](const char *name, const QByteArray &from, const QByteArray &to, const QString &reason) {
      QTest::newRow(name) << from << to << QString() << reason;
    };
    row("third group ETC", "\"PG\"", "\"ETC\"", kt::msg(5006).arg(17));
    // Entries missing: no line to name.
    row("group count 5", "6\r\n\"HOME\"", "5\r\n\"HOME\"", kt::msg(5002));
    row("value not a number", "\r\n400\r\n", "\r\n4x0\r\n", kt::msg(5003).arg(12));
    row("two values not numbers: the first named", "\r\n400\r\n0\r\n20\r\n", "\r\n4x0\r\n0\r\n2y\r\n",
        kt::msg(5003).arg(12));
    row("a quote in the actuator code", "\"28L100\"", "28L100\"", kt::msg(5006).arg(16)); // never written by the program
    row("cut short", "\"RESERVED\",7,1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n", "\"RESERVED\",7,1\r\n0\r\n",
        kt::msg(5002));
  }

  // A refused file changes nothing; the file opened next is taken whole.
  void refusedFiles() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, first);
    QFETCH(QString, reason);
    QByteArray bytes = Standard28File;
    QVERIFY(bytes.contains(from));
    kt::writeFile(kt::path("refused.pmt"), bytes.replace(from, to));
    kt::writeFile(kt::path("good.pmt"), QByteArray(Standard28File).replace("\r\n30\r\n", "\r\n77\r\n"));
    ParamRig r;
    r.f.txtHomeVel.setText("12");
    const QStringList before = r.texts();
    r.dialogs.files << kt::path("refused.pmt") << kt::path("good.pmt");
    r.dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::No; // the edit not saved first
    r.f.cmdReadParaFile.click();
    QCOMPARE(r.dialogs.shown.mid(1).join(u'|'), (first.isEmpty() ? QString() : first + u'|') + kt::msg(681));
    QCOMPARE(r.dialogs.details.value(r.dialogs.shown.indexOf(kt::msg(681))),
             kt::path("refused.pmt") + u"\r\n"_qs + reason);
    QCOMPARE(r.page.ParametaSet, standard28());
    QCOMPARE(r.texts(), before);
    QVERIFY(r.settled());
    QCOMPARE(r.p.paramFile.cmdReadParaFile_Click(), 0);
    ParametaRecord taken = standard28();
    taken.HomeOffset = 77; taken.Aux02 = taken.Aux05 = 1;
    QCOMPARE(r.page.ParametaSet, taken);
    QCOMPARE(r.f.txtHomeOffset.text() + r.f.txtHomeVel.text(), u"7710"_qs);
  }

  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<QString>("homeVel");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no room in the name for a temporary") << 250 << "10" << kt::msg(13);
    QTest::newRow("value out of range") << 8 << "61" << kt::msg({9, 10});
  }

  // A save that fails or is refused leaves the old file as it was.
  void failedSaveKeepsTheOldFile() {
    QFETCH(int, nameLength);
    QFETCH(QString, shown);
    const QString path = kt::path(QString(nameLength, u'p'));
    QVERIFY(kt::writeFile(path, "old"));
    ParamRig r;
    QFETCH(QString, homeVel);
    r.f.txtHomeVel.setText(homeVel);
    r.dialogs.files << path;
    r.f.cmdSaveParaFile.click();
    const bool refused = homeVel != u"10"; // before the file is asked for
    QCOMPARE(r.dialogs.shown, QStringList{shown});
    QCOMPARE(r.dialogs.files.isEmpty(), !refused);
    QCOMPARE(r.dialogs.details.value(0).startsWith(path + u"\r\n"_qs), !refused);
    QCOMPARE(kt::readFile(path), QByteArray("old"));
    QVERIFY(r.settled());
  }

  void verify_data() {
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<ParametaRecord>("reference");
    QTest::addColumn<QByteArray>("groups"); // the count of a standard file's groups, if not the reference
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("details");
    ParametaRecord equal = standard28(), differ = standard28(); // Aux10 and the model number are not compared
    equal.Aux10 = 30; equal.ActModelNo = 101; equal.ActCode = "28L101";
    differ.HomeVel = 12; differ.HomeOfsVel = 5; differ.ActSize = "35"; differ.ActCode = "35L100";
    differ.AutoHome = 1; differ.EmgLogic = 0; differ.Reserved[3] = 5;
    auto group = [](int title) { return u'<' + kt::msg(title) + u'>'; };
    const QString ng = kt::msg(823) + u"\r\n"_qs + group(673) + u" :VEL,OFSVEL,\r\n"_qs + group(675) + u" :MOTOR\r\n"_qs +
                       group(678) + u" :AUTO HOME,EMG LOGIC,\r\n"_qs + group(3012) + u" :Reserved3,\r\n"_qs;
    const QString details = group(673) + u"\r\nVEL: 10 / 12\r\nOFSVEL: 10 / 5\r\n"_qs + group(675) +
                            u"\r\nMOTOR: 28L / 35L\r\n"_qs + group(678) + u"\r\nAUTO HOME: 0 / 1\r\nEMG LOGIC: 1 / 0\r\n"_qs + group(3012) +
                            u"\r\nReserved3: 0 / 5\r\n"_qs;
    for (bool fromFile : {false, true}) {
      QTest::addRow("%s, equal", fromFile ? "file" : "controller")
          << fromFile << equal << QByteArray() << kt::msg(826) << "";
      QTest::addRow("%s, four groups differ", fromFile ? "file" : "controller")
          << fromFile << differ << QByteArray() << ng << details;
    }
    // Values that are not there cannot be compared; the file itself is sound.
    for (const char *groups : {"5", "0"})
      QTest::addRow("file of %s groups", groups)
          << true << ParametaRecord() << QByteArray(groups) << kt::msg(681) << kt::path("ref.pmt");
  }

  // The page against the controller's set or a file's.
  void verify() {
    QFETCH(bool, fromFile);
    QFETCH(ParametaRecord, reference);
    QFETCH(QByteArray, groups);
    ParamRig r;
    QStringList shown;
    if (fromFile) {
      kt::writeFile(kt::path("ref.pmt"), groups.isEmpty()
                                             ? parafile::Format(reference)
                                             : QByteArray(Standard28File).replace("\n6\r", "\n" + groups + '\r'));
      r.dialogs.files << kt::path("ref.pmt");
      r.dialogs.answers << Dialogs::Answer::Ok;
      r.f.cmdConpareFile.click();
      shown << kt::msg(679);
    } else {
      for (int b = 0; b < 3; ++b)
        r.sim().setBlock(b, QByteArray::fromHex(paramblocks::EncodeBlock(b, reference).mid(1)));
      r.f.cmdConpareCT.click();
      QCOMPARE(r.wire(), (Lines{"0RD0", "0RD1", "0RD2"}));
    }
    QFETCH(QString, result);
    QCOMPARE(r.dialogs.shown, shown << result);
    QTEST(r.dialogs.details.last(), "details");
    QVERIFY(r.settled());
  }

  void compare_data() {
    QTest::addColumn<QString>("b"); // "file", "screen" or "controller"
    QTest::addColumn<QByteArray>("fileB"); // the second file, or the controller's blocks from it
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("shown");
    const QByteArray same = Standard28File;
    // 30.4 is written as 30; the model number, parameter 2 and the reserved
    // words are the page's own whatever a file holds.
    const QByteArray spelled = QByteArray(same).replace("\r\n30\r\n1\r\n", "\r\n30.4\r\n30\r\n")
                                   .replace("28L100", "28L200").replace("\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n", "\r\n0\r\n0\r\n5\r\n0\r\n0\r\n0\r\n0\r\n");
    const QByteArray apart = QByteArray(same).replace("\"HOME\",5,1\r\n30\r\n1\r\n10", "\"HOME\",5,1\r\n30\r\n1\r\n12");
    QTest::newRow("files equal") << "file" << same << 0 << "" << "";
    QTest::newRow("files equal as written") << "file" << spelled << 0 << "" << "";
    QTest::newRow("files one value apart") << "file" << apart << 1 << u"HOME VEL: 10 \u2192 12\n"_qs << "";
    QTest::newRow("a group missing") << "file" << QByteArray(same).replace("\n6\r", "\n5\r") << -1 << ""
                                     << kt::msg(681);
    QTest::newRow("the screen, edited") << "screen" << QByteArray() << 1 << u"HOME VEL: 10 \u2192 20\n"_qs << "";
    // The controller holds what a file cannot say: 30 and 10 in 2 and 5.
    QTest::newRow("the controller") << "controller" << apart << 1
                                    << u"HOME No.2: 1 \u2192 30\nHOME VEL: 10 \u2192 12\nHOME No.5: 1 \u2192 10\n"_qs
                                    << "";
  }

  // A file against a second file, the screen or the controller, as written;
  // nothing on the page changes.
  void compare() {
    QFETCH(QString, b);
    QFETCH(QByteArray, fileB);
    ParamRig r;
    kt::writeFile(kt::path("a.pmt"), Standard28File);
    kt::writeFile(kt::path("b.pmt"), fileB);
    ParamCompare &c = r.p.compare;
    c.a = ParamCompare::Side::file(kt::path("a.pmt"));
    if (b == u"file") {
      c.b = ParamCompare::Side::file(kt::path("b.pmt"));
    } else if (b == u"screen") {
      c.b = ParamCompare::Side::of(ParamCompare::Source::Screen);
      r.f.txtHomeVel.setText("20");
    } else {
      c.b = ParamCompare::Side::of(ParamCompare::Source::Controller);
      ParametaRecord held = standard28();
      held.HomeVel = 12;
      for (int block = 0; block < 3; ++block)
        r.sim().setBlock(block, QByteArray::fromHex(paramblocks::EncodeBlock(block, held).mid(1)));
    }
    const QStringList before = r.texts();
    QCOMPARE(c.compare(c.a, c.a), qint16(0)); // a comparison on show before
    QSignalSpy changed(&c, &ParamCompare::reportChanged);
    QTEST(int(c.run()), "result");
    QTEST(r.dialogs.shown.join(u'|'), "shown");
    QCOMPARE(changed.size(), 1);
    // A failure leaves no comparison on show.
    QCOMPARE(c.report().rows.isEmpty(), !r.dialogs.shown.isEmpty());
    QTEST(paramdiff::Lines(c.report().rows, false), "lines");
    // What the command found, for the front ends.
    QFETCH(QString, lines);
    QCOMPARE(r.p.dialogs.outcome.differences.size(), lines.count(u'\n'));
    // Against the controller the window has ended the outcome, for the history.
    const Outcome &o = r.p.dialogs.outcome;
    QCOMPARE(o.differs || o.result == Outcome::Result::Differences,
             c.report().rows.isEmpty() ? false : !lines.isEmpty());
    QCOMPARE(r.texts(), before);
    QVERIFY(r.settled());
  }

  // The window's filter, counts and copied text.
  void compareShown() {
    ParamRig r;
    kt::writeFile(kt::path("a.pmt"), Standard28File);
    ParamCompare &c = r.p.compare;
    QCOMPARE(c.run(), qint16(-1)); // no file A yet
    QCOMPARE(r.dialogs.shown, QStringList{kt::msg(5266)});
    QVERIFY(!c.chooseFile(0)); // the file dialog cancelled
    r.dialogs.files << kt::path("a.pmt");
    QVERIFY(c.chooseFile(0));
    r.f.txtPgAlarm.setText("250");
    QCOMPARE(c.run(), qint16(1));
    QCOMPARE(c.shown().rows.size(), 35);
    c.differencesOnly = true;
    QCOMPARE(c.countsText(), kt::msg(5320).arg(1).arg(35)); // one differs
    QCOMPARE(c.text(), kt::msg(5259) + u'\t' + kt::msg(5260) + u"\ta.pmt\t"_qs + kt::msg(5249) +
                           u"\nPG\tALM\t100\t250\t*\n"_qs);
    // A standard set is named by its size, with or without an encoder.
    for (const bool encoder : {false, true}) {
      QCOMPARE(c.compare(c.a, ParamCompare::Side::standard("35", encoder)), qint16(1));
      QCOMPARE(c.report().titleB, kt::msg(encoder ? 5262 : 5261).arg("35"));
    }
  }

  void killedSaveLeavesAWholeFile_data() {
    QTest::addColumn<QByteArray>("point");
    QTest::newRow("new file opened") << QByteArray("open");
    QTest::newRow("new content half written") << QByteArray("write");
    QTest::newRow("new content synced") << QByteArray("fsync");
    QTest::newRow("renamed over the old") << QByteArray("rename");
    QTest::newRow("save returned") << QByteArray("done");
  }

  // A save killed (SIGKILL) at each of its steps leaves the old file or the new one, whole.
  void killedSaveLeavesAWholeFile() {
    QFETCH(QByteArray, point);
    const QString path = kt::path("kept.pmt");
    const QByteArray old(100 * 1024, 'O'), fresh(256 * 1024, 'N');
    QVERIFY(kt::writeFile(path, old));
    QProcess child;
    child.start(KOV_SAVECHILD_PATH, {path, QString::fromLatin1(point)});
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), point);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(kt::readFile(path), point == "rename" || point == "done" ? fresh : old);
  }
};

KOV_TEST_MAIN(tst_Files)
#include "tst_files.moc"
