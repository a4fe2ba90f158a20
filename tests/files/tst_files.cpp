#include "paramblocks.h"
#include "parameterfile.h"
#include "paramrig.h"
#include "verification.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QProcess>
#include <QtTest>
#include <csignal>

Q_DECLARE_METATYPE(ParametaRecord)

namespace {

const QString Fail681 = u"Fail to open parameter file."_qs;

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

// The parameter page with its file and verify commands.
struct Rig : ParamRig {
  ParameterFile file{m, f, dialogs, page};
  Verification verification{m, f, dialogs, page, transfer, file};
};

class tst_Files : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString path(const QString &name) const { return dir_.filePath(name); }
  void write(const QString &name, const QByteArray &bytes) {
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

private Q_SLOTS:
  void killedSaveLeavesAWholeFile_data();
  void killedSaveLeavesAWholeFile();
  void initTestCase() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    Link::setTimeoutScale(0.01);
  }
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  void saveAndOpen() {
    auto offered = [](const Dialogs::FileDialog &d) {
      return QStringList{d.title, d.filter, d.defaultName, d.defaultExtension};
    };
    Rig r;
    r.dialogs.files << path("std.pmt");
    r.f.cmdSaveParaFile.click();
    QCOMPARE(r.dialogs.shown, QStringList{"Completed save parameters into the file."});
    QCOMPARE(offered(r.dialogs.fileDialogs.value(0)),
             (QStringList{"Save Parameters as ...", "Parameter(*.pmt)|*.pmt|All files(*.*)|*.*",
                          "ztrw3prm1.pmt", "pmt"}));
    QFile saved(path("std.pmt"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), Standard28File);
    QVERIFY(r.settled());

    Rig other;
    other.m.LangBase = 0; // Japanese texts offer their own name
    other.f.cmdSaveParaFile.click();
    QCOMPARE(other.dialogs.fileDialogs.value(0).defaultName, u"kovt6prm1.pmt"_qs);
    other.m.LangBase = 10000;
    other.edit({"comboActSize=35", "txtHomeVel=20"});
    other.dialogs.files << path("std.pmt");
    other.dialogs.answers = {Dialogs::Answer::No}; // the edits not saved first
    other.f.cmdReadParaFile.click();
    QCOMPARE(other.dialogs.shown, QStringList{"Save the edited parameters before they are replaced?"});
    QCOMPARE(offered(other.dialogs.fileDialogs.value(1)),
             (QStringList{"Open Parameter file", "Parameter(*.pmt)|*.pmt|All files(*.*)|*.*", "", "pmt"}));
    QCOMPARE(other.page.ParametaArray[0].toString(), u"std.pmt"_qs);
    QCOMPARE(other.pageTexts(), r.pageTexts());
    QCOMPARE(other.page.ParametaSet, r.page.ParametaSet);
  }

  void refusedFiles_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QStringList>("messages");
    auto row = [](const char *name, const QByteArray &from, const QByteArray &to, const QString &first = {}) {
      QTest::newRow(name) << from << to << (first.isEmpty() ? QStringList{Fail681} : QStringList{first, Fail681});
    };
    row("another kind", "\"PRM\"", "\"POS\"", u"Not parameter file for ZT-M5.\r\nOpening file is canceled."_qs);
    row("third group ETC", "\"PG\"", "\"ETC\"");
    row("group count 5", "6\r\n\"HOME\"", "5\r\n\"HOME\"");
    row("counts shifted", "\"HOME\",5,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n\"AXIS\",7",
        "\"HOME\",4,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n\"AXIS\",8");
    row("value not a number", "\r\n400\r\n", "\r\n4x0\r\n");
    row("model not a number", "28L100", "28L1x0");
    // No value the program writes holds a quotation mark.
    row("a quote in the actuator code", "\"28L100\"", "28L100\"");
  }

  // What a save writes reads back as the same numbers, also those with more
  // digits than a screen shows.
  void numbersSurviveASave_data() {
    QTest::addColumn<double>("aux18");
    QTest::newRow("whole") << 262143.0;
    QTest::newRow("decimal") << 0.1;
    QTest::newRow("seventeen digits") << 0.30000000000000004;
    QTest::newRow("huge") << 7.777777777777777e39;
  }
  void numbersSurviveASave() {
    QFETCH(double, aux18);
    ParametaRecord p = standard28();
    p.Aux18 = aux18;
    const parafile::Parsed parsed = parafile::Parse(QString::fromUtf8(parafile::Format(p)));
    QCOMPARE(int(parsed.result), int(parafile::ReadResult::Read));
    const auto read = parafile::CopyParaFileArray(parsed.list, ParametaRecord{});
    QVERIFY(read);
    QCOMPARE(read->Aux18, aux18);
    QCOMPARE(*read, p);
  }

  // A refused file changes nothing, and the file opened next is taken.
  void refusedFiles() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QByteArray bytes = Standard28File;
    QVERIFY(bytes.contains(from));
    write("refused.pmt", bytes.replace(from, to));
    write("good.pmt", QByteArray(Standard28File).replace("\r\n30\r\n", "\r\n77\r\n"));
    Rig r;
    const QStringList before = r.pageTexts();
    r.dialogs.files << path("refused.pmt") << path("good.pmt");
    r.f.cmdReadParaFile.click();
    QTEST(r.dialogs.shown, "messages");
    QCOMPARE(r.page.ParametaSet, standard28());
    QCOMPARE(r.pageTexts(), before);
    QVERIFY(r.settled());
    r.dialogs.shown.clear();
    QCOMPARE(r.file.cmdReadParaFile_Click(), 0);
    QCOMPARE(r.dialogs.shown, QStringList());
    QCOMPARE(r.f.txtHomeOffset.text(), u"77"_qs);
  }

  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("old");
    QTest::newRow("a folder stands there") << u"taken.pmt"_qs << u"taken.pmt/old.pmt"_qs;
    // No room in the name for a temporary beside it.
    QTest::newRow("old file, no room beside it") << QString(250, u'p') << QString(250, u'p');
  }

  void failedSaveKeepsTheOldFile() {
    QFETCH(QString, name);
    QFETCH(QString, old);
    QVERIFY(QDir(dir_.path()).mkpath(QFileInfo(path(old)).path()));
    write(old, "old");
    Rig r;
    r.dialogs.files << path(name);
    r.f.cmdSaveParaFile.click();
    QCOMPARE(r.dialogs.shown, QStringList{"Fail to  Save parameters into the file."});
    QVERIFY(r.dialogs.details.value(0).startsWith(path(name) + u"\r\n"_qs));
    QVERIFY(r.file.SaveFailed);
    QFile kept(path(old));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
    QVERIFY(r.settled());
  }

  void verify_data() {
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<ParametaRecord>("reference"); // default: the group count 5 file
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("details");
    const QString ok = u"Result of Verify - OK"_qs, ng = u"Result of Verify - NG\r\n"_qs;
    using Change = std::function<void(ParametaRecord &)>;
    auto rows = [](const char *name, const Change &change, const QString &result, const QString &details = {}) {
      ParametaRecord reference = standard28();
      change(reference);
      for (bool fromFile : {false, true})
        QTest::addRow("%s, %s", fromFile ? "file" : "controller", name) << fromFile << reference << result << details;
    };
    rows("equal but Aux10", [](ParametaRecord &p) { p.Aux10 = 30; }, ok);
    rows("model number only", [](ParametaRecord &p) { p.ActModelNo = 101; p.ActCode = "28L101"; }, ok);
    rows("VEL and OFSVEL", [](ParametaRecord &p) { p.HomeVel = 12; p.HomeOfsVel = 5; },
         ng + u"<HOME Parameter> :VEL,OFSVEL,\r\n"_qs, u"<HOME Parameter>\r\nVEL: 10 / 12\r\nOFSVEL: 10 / 5\r\n"_qs);
    rows("MOTOR alone", [](ParametaRecord &p) { p.ActSize = "35"; p.ActCode = "35L100"; },
         ng + u"<AXIS Parameter> :MOTOR\r\n"_qs, u"<AXIS Parameter>\r\nMOTOR: 28L / 35L\r\n"_qs);
    rows("IN-P WID and EMG LOGIC", [](ParametaRecord &p) { p.InpLimit = 12; p.EmgLogic = 0; },
         ng + u"<Etc Parameter> :IN-P WID,\r\n<SP Parameter> :EMG LOGIC,\r\n"_qs,
         u"<Etc Parameter>\r\nIN-P WID: 10 / 12\r\n<SP Parameter>\r\nEMG LOGIC: 1 / 0\r\n"_qs);
    rows("reserved word alone", [](ParametaRecord &p) { p.Reserved[3] = 5; },
         ng + u"<Reserved Parameter> :Reserved3,\r\n"_qs, u"<Reserved Parameter>\r\nReserved3: 0 / 5\r\n"_qs);
    // Values that are not there cannot be compared.
    QTest::newRow("file, reserved group left out") << true << ParametaRecord() << Fail681 << path("reference.pmt");
  }

  void verify() {
    QFETCH(bool, fromFile);
    QFETCH(ParametaRecord, reference);
    QFETCH(QString, result);
    Rig r;
    QStringList shown;
    if (fromFile) {
      write("reference.pmt", reference == ParametaRecord()
                                 ? QByteArray(Standard28File).replace("6\r\n\"HOME\"", "5\r\n\"HOME\"")
                                 : parafile::Format(reference));
      r.dialogs.files << path("reference.pmt");
      r.dialogs.answers << Dialogs::Answer::Ok;
      r.f.cmdConpareFile.click();
      QCOMPARE(r.dialogs.fileDialogs.value(0).title, u"Open Parameter file to be Verified"_qs);
      shown << "Verify parameters against indicated and saved into the file.";
    } else {
      for (int b = 0; b < 3; ++b)
        r.sim().setBlock(b, QByteArray::fromHex(paramblocks::EncodeBlock(b, reference).mid(1)));
      bool locked = true;
      connect(&r.sim(), &ControllerSim::lineReceived, this, [&r, &locked] {
        locked = locked && !r.f.cmdParaWrite.isEnabled() && !r.f.SSTab1.isTabEnabled(0) && !r.f.mnuCont.isEnabled();
      });
      QCOMPARE(r.verification.cmdConpareCT_Click(), qint16(result.endsWith(u"OK") ? 0 : 1));
      QCOMPARE(r.wire(), (Lines{"0RD0", "0RD1", "0RD2"}));
      QVERIFY(locked);
    }
    QCOMPARE(r.dialogs.shown, shown << result);
    QTEST(r.dialogs.details.last(), "details");
    QVERIFY(r.settled());
  }
};

void tst_Files::killedSaveLeavesAWholeFile_data() {
  QTest::addColumn<QByteArray>("point");
  QTest::addColumn<bool>("replaced");
  QTest::newRow("new file opened") << QByteArray("open") << false;
  QTest::newRow("new content half written") << QByteArray("write") << false;
  QTest::newRow("new content synced") << QByteArray("fsync") << false;
  QTest::newRow("renamed over the old") << QByteArray("rename") << true;
  QTest::newRow("save returned") << QByteArray("done") << true;
}

// A save killed (SIGKILL) at any point leaves the old file or the new one,
// whole: 20 kills at each point.
void tst_Files::killedSaveLeavesAWholeFile() {
  QFETCH(QByteArray, point);
  QFETCH(bool, replaced);
  QTemporaryDir dir;
  const QString path = dir.filePath("kept.pmt");
  const QByteArray old(100 * 1024, 'O'), fresh(256 * 1024, 'N');
  for (int run = 0; run < 20; ++run) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(old);
    f.close();
    QProcess child;
    child.start(KOV_SAVECHILD_PATH, {path, QString::fromLatin1(point)});
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), point);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    QFile left(path);
    QVERIFY(left.open(QIODevice::ReadOnly));
    QCOMPARE(left.readAll() == fresh, replaced);
    left.seek(0);
    const QByteArray content = left.readAll();
    QVERIFY(content == old || content == fresh);
  }
}

QTEST_GUILESS_MAIN(tst_Files)
#include "tst_files.moc"
