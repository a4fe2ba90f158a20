#include "paramblocks.h"
#include "parameterfile.h"
#include "paramrig.h"
#include "verification.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

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
private Q_SLOTS:
  void initTestCase();
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }
  void saveAndOpen();
  void refusedFiles_data();
  void refusedFiles();
  void failedSaveKeepsTheOldFile_data();
  void failedSaveKeepsTheOldFile();
  void verify_data();
  void verify();

private:
  QString path(const QString &name) const { return dir_.filePath(name); }
  void write(const QString &name, const QByteArray &bytes) {
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QTemporaryDir dir_;
};

void tst_Files::initTestCase() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  Link::setTimeoutScale(0.01);
}

void tst_Files::saveAndOpen() {
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
  other.f.cmdReadParaFile.click();
  QCOMPARE(other.dialogs.shown, QStringList());
  QCOMPARE(offered(other.dialogs.fileDialogs.value(1)),
           (QStringList{"Open Parameter file", "Parameter(*.pmt)|*.pmt|All files(*.*)|*.*", "",
                        "pmt"}));
  QCOMPARE(other.page.ParametaArray[0].toString(), u"std.pmt"_qs);
  QCOMPARE(other.pageTexts(), r.pageTexts());
  QCOMPARE(other.page.ParametaSet, r.page.ParametaSet);
}

void tst_Files::refusedFiles_data() {
  QTest::addColumn<QByteArray>("from");
  QTest::addColumn<QByteArray>("to");
  QTest::addColumn<QStringList>("messages");
  const QStringList only681{Fail681};
  QTest::newRow("another kind") << QByteArray("\"PRM\"") << QByteArray("\"POS\"")
                                << QStringList{"Not parameter file for ZT-M5.\r\n"
                                               "Opening file is canceled.", Fail681};
  QTest::newRow("third group ETC") << QByteArray("\"PG\"") << QByteArray("\"ETC\"") << only681;
  QTest::newRow("group count 5") << QByteArray("6\r\n\"HOME\"") << QByteArray("5\r\n\"HOME\"")
                                 << only681;
  QTest::newRow("counts shifted") << QByteArray(",5,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n\"AXIS\",7")
                                  << QByteArray(",4,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n\"AXIS\",8")
                                  << only681;
  QTest::newRow("value not a number") << QByteArray("\r\n400\r\n") << QByteArray("\r\n4x0\r\n")
                                      << only681;
  QTest::newRow("model not a number") << QByteArray("28L100") << QByteArray("28L1x0") << only681;
}

// A refused file changes nothing, and the file opened next is taken.
void tst_Files::refusedFiles() {
  QFETCH(QByteArray, from);
  QFETCH(QByteArray, to);
  QByteArray bytes = Standard28File;
  QVERIFY(bytes.contains(from));
  write("refused.pmt", bytes.replace(from, to));
  write("good.pmt", QByteArray(Standard28File).replace("\r\n30\r\n", "\r\n77\r\n"));
  Rig r;
  const QStringList before = r.pageTexts();
  r.dialogs.files << path("refused.pmt");
  r.f.cmdReadParaFile.click();
  QTEST(r.dialogs.shown, "messages");
  QCOMPARE(r.page.ParametaSet, standard28());
  QCOMPARE(r.pageTexts(), before);
  QVERIFY(r.settled());
  r.dialogs.shown.clear();
  r.dialogs.files << path("good.pmt");
  QCOMPARE(r.file.cmdReadParaFile_Click(), 0);
  QCOMPARE(r.dialogs.shown, QStringList());
  QCOMPARE(r.f.txtHomeOffset.text(), u"77"_qs);
}

void tst_Files::failedSaveKeepsTheOldFile_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("folder");
  QTest::newRow("a folder stands there") << u"taken.pmt"_qs << true;
  // No room in the name for a temporary beside it.
  QTest::newRow("old file, no room beside it") << QString(250, u'p') << false;
}

void tst_Files::failedSaveKeepsTheOldFile() {
  QFETCH(QString, name);
  QFETCH(bool, folder);
  const QString old = folder ? name + u"/old.pmt"_qs : name;
  if (folder)
    QVERIFY(QDir(dir_.path()).mkpath(name));
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

void tst_Files::verify_data() {
  QTest::addColumn<bool>("fromFile");
  QTest::addColumn<ParametaRecord>("reference");
  QTest::addColumn<QString>("result");
  QTest::addColumn<QString>("details");
  struct Case {
    const char *name;
    std::function<void(ParametaRecord &)> change;
    const char *result;
    const char *details;
  };
  const Case cases[] = {
      {"equal but Aux10", [](ParametaRecord &p) { p.Aux10 = 30; }, "Result of Verify - OK", ""},
      {"model number only", [](ParametaRecord &p) { p.ActModelNo = 101; p.ActCode = "28L101"; },
       "Result of Verify - OK", ""},
      {"VEL and OFSVEL", [](ParametaRecord &p) { p.HomeVel = 12; p.HomeOfsVel = 5; },
       "Result of Verify - NG\r\n<HOME Parameter> :VEL,OFSVEL,\r\n",
       "<HOME Parameter>\r\nVEL: 10 / 12\r\nOFSVEL: 10 / 5\r\n"},
      {"MOTOR alone", [](ParametaRecord &p) { p.ActSize = "35"; p.ActCode = "35L100"; },
       "Result of Verify - NG\r\n<AXIS Parameter> :MOTOR\r\n", "<AXIS Parameter>\r\nMOTOR: 28L / 35L\r\n"},
      {"IN-P WID and EMG LOGIC", [](ParametaRecord &p) { p.InpLimit = 12; p.EmgLogic = 0; },
       "Result of Verify - NG\r\n<Etc Parameter> :IN-P WID,\r\n<SP Parameter> :EMG LOGIC,\r\n",
       "<Etc Parameter>\r\nIN-P WID: 10 / 12\r\n<SP Parameter>\r\nEMG LOGIC: 1 / 0\r\n"},
      {"reserved word alone", [](ParametaRecord &p) { p.Reserved[3] = 5; },
       "Result of Verify - NG\r\n<Reserved Parameter> :Reserved3,\r\n",
       "<Reserved Parameter>\r\nReserved3: 0 / 5\r\n"}};
  for (bool fromFile : {false, true})
    for (const Case &c : cases) {
      ParametaRecord reference = standard28();
      c.change(reference);
      QTest::addRow("%s, %s", fromFile ? "file" : "controller", c.name)
          << fromFile << reference << QString::fromLatin1(c.result) << QString::fromLatin1(c.details);
    }
  // Values that are not there cannot be compared.
  QTest::newRow("file, reserved group left out") << true << ParametaRecord() << Fail681 << "";
}

void tst_Files::verify() {
  QFETCH(bool, fromFile);
  QFETCH(ParametaRecord, reference);
  Rig r;
  QStringList shown;
  qint16 verified = -2; // the file's command is clicked, the controller's called
  if (fromFile) {
    QByteArray text = parafile::Format(reference);
    if (reference == ParametaRecord())
      text = QByteArray(Standard28File).replace("6\r\n\"HOME\"", "5\r\n\"HOME\"");
    write("reference.pmt", text);
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
      locked = locked && !r.f.cmdParaWrite.isEnabled() && !r.f.SSTab1.isTabEnabled(0) &&
               !r.f.mnuCont.isEnabled();
    });
    verified = r.verification.cmdConpareCT_Click();
    QCOMPARE(r.wire(), (Lines{"0RD0", "0RD1", "0RD2"}));
    QVERIFY(locked);
  }
  QFETCH(QString, result);
  QCOMPARE(r.dialogs.shown, shown << result);
  QTEST(r.dialogs.details.last(), "details");
  if (!fromFile)
    QCOMPARE(verified, result.endsWith(u"OK") ? 0 : 1);
  QVERIFY(r.settled());
}

QTEST_GUILESS_MAIN(tst_Files)
#include "tst_files.moc"
