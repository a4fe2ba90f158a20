#include "indexdata.h"
#include "linkrig.h"
#include "positionfile.h"
#include "simportdevice.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Lines = QList<QByteArray>;

namespace {
const QString WrongData = u"Communication error occurs!\r\n\r\ntransmit data is wrong"_qs;
const QString NotOurs = u"Not Position Data file for ZT-M5.\r\n\r\nOpening file is canceled."_qs;
const QString CannotOpen = u"This File can not open ! "_qs;

// The operator types keys into a field: each key the field passes lands in it.
void type(Control &c, const QString &keys) {
  for (QChar ch : keys) {
    const int code = ch == u'\r' ? 13 : ch == u'\b' ? 8 : ch.unicode();
    const int key = c.keyPress(code);
    if (key == 8 && !c.text().isEmpty())
      c.setText(c.text().chopped(1));
    else if (key != 0)
      c.setText(c.text() + QChar(key));
  }
}
} // namespace

// The main window's operation data on the simulator, in English.
struct Rig : LinkRig<SimPortDevice> {
  IndexData data{m, f, dialogs, link};
  PositionFile file{m, f, dialogs, data};

  Rig() {
    m.PortOccupy = false;
    link.Get_ErrorList();
    data.mainWindowLoad();
    data.selectStartValues();
  }
  // The operator's entry of the operation data.
  void enter(const QString &list, const QString &acc, const QString &div, const QString &gear,
             bool ccw) {
    type(f.txtGEAR, gear);
    f.txtGEAR.lostFocus();
    type(f.txtDIVISION, div);
    f.txtDIVISION.lostFocus();
    f.comboVEL.setText(list);
    f.comboACC.setText(acc);
    (ccw ? f.optCCW : f.optCW).setChecked(true);
  }
  Lines wire() const { return line.sim()->receivedLines(); }
  QStringList screen() const {
    return {f.comboVEL.text(), f.txtVEL.text(), f.comboACC.text(), f.txtDIVISION.text(),
            f.txtGEAR.text(), f.optCCW.isChecked() ? "CCW" : "CW"};
  }
};

class tst_IndexData : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void velocity_data();
  void velocity();
  void typing_data();
  void typing();
  void markerGoesWithAValidValue_data();
  void markerGoesWithAValidValue();
  void enterMovesOn();
  void refusalNamesTheField_data();
  void refusalNamesTheField();
  void write_data();
  void write();
  void read_data();
  void read();
  void portReleasedAfterAFailedFirstReply_data();
  void portReleasedAfterAFailedFirstReply();
  void readAsksToSaveEdits_data();
  void readAsksToSaveEdits();
  void openAsksToSaveEdits();
  void recordRoundTrip_data();
  void recordRoundTrip();
  void decodeEdges();
  void savedThirdLine();
  void open_data();
  void open();
  void failedSaveKeepsTheOldFile();

private:
  QTemporaryDir dir_;
  // A position data file in the temporary folder; its path.
  QString ztdFile(const char *name, const QByteArray &bytes) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
      qFatal("cannot write %s", name);
    return path;
  }
  // A file of point 1 with these divisions and gear ratio.
  QString ztdFile(const char *name, const char *division, const char *gear) {
    return ztdFile(name, QByteArray("\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n0,\"1500\",\"2\",\"\",\"\",\"1\",\"") +
                             division + "\",\"" + gear + "\",\"\"\r\n");
  }
};

void tst_IndexData::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  Link::setTimeoutScale(0.01);
}

void tst_IndexData::velocity_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<QString>("gear");
  QTest::addColumn<QString>("velocity");
  QTest::newRow("gear 8: 37.5 to the even 38") << "1" << "8" << "38";
  QTest::newRow("gear 24: 12.5 to the even 12") << "1" << "24" << "12";
  QTest::newRow("gear 100") << "1" << "100" << "3";
  QTest::newRow("list 30, gear 1") << "30" << "1" << "9000";
  QTest::newRow("list 10, gear 3") << "10" << "3" << "1000";
  QTest::newRow("no gear") << "5" << "" << "";
}

void tst_IndexData::velocity() {
  QFETCH(QString, list);
  QFETCH(QString, gear);
  Rig r;
  type(r.f.txtGEAR, gear);
  r.f.comboVEL.setText(list);
  QTEST(r.f.txtVEL.text(), "velocity");
  // The other way round: the gear typed after the list gives the same.
  Rig other;
  other.f.comboVEL.setText(list);
  type(other.f.txtGEAR, gear);
  QTEST(other.f.txtVEL.text(), "velocity");
}

void tst_IndexData::typing_data() {
  QTest::addColumn<bool>("division");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<bool>("leave");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("grey");
  QTest::newRow("100 takes no more") << true << "1005\r" << false << "100" << false;
  QTest::newRow("101 is removed at once") << true << "101" << false << "" << true;
  QTest::newRow("letters refused") << true << "a1b2" << false << "12" << false;
  QTest::newRow("backspace") << true << "12\b3" << false << "13" << false;
  QTest::newRow("007 left as 7") << true << "007" << true << "7" << false;
  QTest::newRow("000 left empty") << true << "000" << true << "" << true;
  QTest::newRow("1 left empty") << true << "1" << true << "" << true;
  QTest::newRow("2 stays") << true << "2" << true << "2" << false;
  QTest::newRow("gear 0 left empty") << false << "0" << true << "" << true;
  QTest::newRow("gear 00 left empty") << false << "00" << true << "" << true;
  QTest::newRow("gear 1 stays") << false << "1" << true << "1" << false;
  QTest::newRow("empty division passed through") << true << "" << true << "" << false;
  QTest::newRow("empty gear passed through") << false << "" << true << "" << false;
  QTest::newRow("gear 250 removed") << false << "250" << false << "" << true;
  QTest::newRow("grey goes with the next number") << false << "250\b\b\b7" << false << "7" << false;
}

void tst_IndexData::typing() {
  QFETCH(bool, division);
  QFETCH(QString, keys);
  QFETCH(bool, leave);
  Rig r;
  Control &field = division ? r.f.txtDIVISION : r.f.txtGEAR;
  type(field, keys);
  if (leave)
    field.lostFocus();
  QTEST(field.text(), "text");
  QFETCH(bool, grey);
  QCOMPARE(field.backColor(), grey ? colors::InactiveCaptionText : colors::WindowBackground);
}

void tst_IndexData::markerGoesWithAValidValue_data() {
  QTest::addColumn<bool>("division");
  QTest::addColumn<QString>("source");
  for (const bool division : {true, false})
    for (const char *source : {"typing", "file", "controller"})
      QTest::addRow("%s by %s", division ? "division" : "gear", source) << division << source;
}

// A removed entry greys its field; a valid value, however it arrives, ends it.
void tst_IndexData::markerGoesWithAValidValue() {
  QFETCH(bool, division);
  QFETCH(QString, source);
  Rig r;
  Control &field = division ? r.f.txtDIVISION : r.f.txtGEAR;
  type(field, division ? "1" : "0");
  field.lostFocus();
  QCOMPARE(field.backColor(), colors::InactiveCaptionText);
  r.data.document.setEdited(false);
  if (source == u"typing"_qs) {
    type(field, "8");
  } else if (source == u"file"_qs) {
    r.dialogs.files = {ztdFile("marker.ztd", "8", "8")};
    r.f.cmdFileOpen.click();
  } else {
    r.line.sim()->setPointRecord("05DC200000010808");
    r.dialogs.answers = {Dialogs::Answer::Yes};
    r.f.cmdGetfromCt.click();
  }
  QCOMPARE(field.text(), u"8"_qs);
  QCOMPARE(field.backColor(), colors::WindowBackground);
}

void tst_IndexData::enterMovesOn() {
  Rig r;
  QSignalSpy toWrite(&r.f.cmdLoadtoCt, &Control::focusRequested);
  QSignalSpy gearOn(&r.f.txtGEAR, &Control::focusNextRequested);
  type(r.f.txtDIVISION, "8\r");
  type(r.f.txtGEAR, "3\r");
  QCOMPARE(toWrite.count(), 1);
  QCOMPARE(gearOn.count(), 1);
  QCOMPARE(r.f.txtDIVISION.text(), u"8"_qs);
}

void tst_IndexData::refusalNamesTheField_data() {
  QTest::addColumn<QString>("vel");
  QTest::addColumn<QString>("acc");
  QTest::addColumn<QString>("status");
  QTest::newRow("velocity 0") << "0" << "2" << "VEL 0 is out of range (1 to 100000).";
  QTest::newRow("velocity too high") << "100001" << "2" << "VEL 100001 is out of range (1 to 100000).";
  QTest::newRow("acceleration 4") << "1500" << "4" << "ACC 4 is out of range (1 to 3).";
  QTest::newRow("in range") << "1500" << "2" << "";
}

// The screen refuses an out-of-range value without a box; the status line
// names the field, its value and its range.
void tst_IndexData::refusalNamesTheField() {
  QFETCH(QString, vel);
  QFETCH(QString, acc);
  QFETCH(QString, status);
  Rig r;
  r.enter("1", "2", "8", "2", false);
  r.f.txtVEL.setText(vel);
  r.f.txtACC.setText(acc);
  QCOMPARE(r.data.PosiDataCheckAndTorikomi(), qint16(status.isEmpty() ? 0 : 1));
  QCOMPARE(r.dialogs.statuses, status.isEmpty() ? QStringList() : QStringList{status});
  QVERIFY(r.dialogs.shown.isEmpty());
}

void tst_IndexData::write_data() {
  QTest::addColumn<QString>("gear");
  QTest::addColumn<QList<Dialogs::Answer>>("answers");
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("status");
  QTest::addColumn<Lines>("wire");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QByteArray>("stored");
  using A = QList<Dialogs::Answer>;
  const QByteArray start = ControllerSim().pointRecord();
  const QByteArray written = "05DC200000010802";
  const QString timeout = u"Communication timeout error!\r\n\r\nCheck the followings;\r\n\r\n"
                          " 1.Power ON for controller?\r\n\r\n 2.Communication cables are connected?"_qs;
  QTest::newRow("gear empty: named") << "" << A{} << QStringList() << 1 << Lines{}
                                     << QStringList{u"GEAR has no value.\r\n Please fill the data in and try it again."_qs}
                                     << start;
  QTest::newRow("cancelled: nothing sent") << "2" << A{Dialogs::Answer::Cancel} << QStringList() << 1
                                           << Lines{} << QStringList{"Data is transmitted to controller,Yes?"}
                                           << start;
  QTest::newRow("moving") << "2" << A{Dialogs::Answer::Ok} << QStringList() << 0 << Lines{"0RA"}
                          << QStringList{"Data is transmitted to controller,Yes?",
                                         "The writing of data is not made during movement."}
                          << start;
  QTest::newRow("written") << "2" << A{Dialogs::Answer::Ok} << QStringList() << 1
                           << Lines{"0RA", "0WP01" + written, "0WA0101"}
                           << QStringList{"Data is transmitted to controller,Yes?"} << written;
  QTest::newRow("wrong 0WP reply") << "2" << A{Dialogs::Answer::Ok} << QStringList{"0WP"} << 1
                                   << Lines{"0RA", "0WP01" + written}
                                   << QStringList{"Data is transmitted to controller,Yes?", WrongData}
                                   << start;
  // The controller took the record; only its answer was lost.
  QTest::newRow("timeout on 0WA") << "2" << A{Dialogs::Answer::Ok} << QStringList{"0WA"} << 1
                                  << Lines{"0RA", "0WP01" + written, "0WA0101"}
                                  << QStringList{"Data is transmitted to controller,Yes?", timeout}
                                  << written;
}

void tst_IndexData::write() {
  QFETCH(QString, gear);
  QFETCH(QStringList, faults);
  QFETCH(int, status);
  Rig r;
  r.enter("10", "2", "8", gear, true);
  QFETCH(QList<Dialogs::Answer>, answers);
  r.dialogs.answers = answers;
  r.line.sim()->setStatus(status);
  for (const QString &code : faults)
    r.line.sim()->setFault(code.toLatin1(), code == "0WP" ? ControllerSim::Fault::Garbage
                                                          : ControllerSim::Fault::NoReply);
  r.f.cmdLoadtoCt.click();
  QTEST(r.wire(), "wire");
  QTEST(r.dialogs.shown, "messages");
  QTEST(r.line.sim()->pointRecord(), "stored");
  QCOMPARE(r.link.CommError, QTest::currentDataTag() == QByteArray("wrong 0WP reply") ||
                                 QTest::currentDataTag() == QByteArray("timeout on 0WA"));
  QVERIFY(!r.f.ProgressBar1.isVisible());
  QCOMPARE(r.dialogs.busyDepth, 0);
  QVERIFY(r.f.cmdGetfromCt.isEnabled() && r.f.mnuCont.isEnabled() && r.f.SSTab1.isTabEnabled(1));
  QVERIFY(!r.line.isOpen());
}

void tst_IndexData::read_data() {
  QTest::addColumn<QByteArray>("record");
  QTest::addColumn<QString>("fault");
  QTest::addColumn<Dialogs::Answer>("answer");
  QTest::addColumn<QStringList>("screen");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<Lines>("wire");
  const QStringList before{"5", "300", "1", "4", "5", "CW"};
  const Lines read{"0CM6", "0RP01"};
  const QString ask = u"Read the data from controller, OK?"_qs;
  QTest::newRow("1500/2/CCW/8/2") << QByteArray("05DC200000010802") << "" << Dialogs::Answer::Yes
                                  << QStringList{"10", "1500", "2", "8", "2", "CCW"}
                                  << QStringList{ask} << read;
  QTest::newRow("answered No") << QByteArray("05DC200000010802") << "" << Dialogs::Answer::No
                               << before << QStringList{ask} << Lines{};
  QTest::newRow("division 101") << QByteArray("05DC200000016502") << "" << Dialogs::Answer::Yes
                                << QStringList{"10", "1500", "2", "", "2", "CCW"}
                                << QStringList{ask} << read;
  QTest::newRow("velocity 100, gear 1: list 1") << QByteArray("0064100000000801") << ""
                                                << Dialogs::Answer::Yes
                                                << QStringList{"1", "300", "1", "8", "1", "CW"}
                                                << QStringList{ask} << read;
  QTest::newRow("not hex") << QByteArray("05DC200000010802") << "garbage" << Dialogs::Answer::Yes
                           << before << QStringList{ask, WrongData} << read;
  QTest::newRow("product beyond 16 bits")
      << QByteArray("2328100000000864") << "" << Dialogs::Answer::Yes
      << QStringList{"5", "9000", "1", "8", "100", "CW"}
      << QStringList{ask, u"Some of the controller's data cannot be shown."_qs} << read;
  QTest::newRow("acceleration without item")
      << QByteArray("05DC700000010802") << "" << Dialogs::Answer::Yes
      << QStringList{"10", "1500", "1", "8", "2", "CCW"}
      << QStringList{ask, u"Some of the controller's data cannot be shown."_qs} << read;
}

void tst_IndexData::read() {
  QFETCH(QByteArray, record);
  QFETCH(QString, fault);
  QFETCH(Dialogs::Answer, answer);
  Rig r;
  r.enter("5", "1", "4", "5", false);
  r.data.document.setEdited(false);
  r.line.sim()->setPointRecord(record);
  if (!fault.isEmpty())
    r.line.sim()->setFault("0RP", ControllerSim::Fault::Garbage);
  r.dialogs.answers = {answer};
  r.f.cmdGetfromCt.click();
  QTEST(r.screen(), "screen");
  QTEST(r.dialogs.shown, "messages");
  QTEST(r.wire(), "wire");
  QCOMPARE(r.link.CommError, !fault.isEmpty());
  QVERIFY(r.f.comboVEL.isEnabled() && r.f.cmdLoadtoCt.isEnabled());
  QVERIFY(!r.data.SuppressVelCalc);
}

void tst_IndexData::portReleasedAfterAFailedFirstReply_data() {
  QTest::addColumn<bool>("read");
  QTest::addColumn<ControllerSim::Fault>("fault");
  using F = ControllerSim::Fault;
  QTest::newRow("read, error reply") << true << F::ErrorReply;
  QTest::newRow("read, wrong echo") << true << F::WrongEcho;
  QTest::newRow("write, error reply") << false << F::ErrorReply;
  QTest::newRow("write, wrong echo") << false << F::WrongEcho;
}

// The bracket of a transfer releases the port whichever way its first
// exchange (the read's link check, the write's status) fails.
void tst_IndexData::portReleasedAfterAFailedFirstReply() {
  QFETCH(bool, read);
  QFETCH(ControllerSim::Fault, fault);
  Rig r;
  r.enter("10", "2", "8", "2", true);
  r.data.document.setEdited(false);
  const QByteArray first = read ? "0CM6" : "0RA";
  r.line.sim()->setFault(first, fault);
  r.dialogs.answers = {read ? Dialogs::Answer::Yes : Dialogs::Answer::Ok};
  (read ? r.f.cmdGetfromCt : r.f.cmdLoadtoCt).click();
  QVERIFY(r.wire().startsWith(first));
  QVERIFY(r.dialogs.shown.size() >= 2); // the question, then why it failed
  QVERIFY(!r.line.isOpen());
}

// A file replaces edits only after the same question as a read.
void tst_IndexData::openAsksToSaveEdits() {
  Rig r;
  r.enter("10", "2", "8", "9", true);
  r.dialogs.files = {ztdFile("other.ztd", "4", "4")};
  r.dialogs.answers = {Dialogs::Answer::Cancel};
  r.f.cmdFileOpen.click();
  QCOMPARE(r.dialogs.shown, QStringList{r.m.msg(369)});
  QVERIFY(r.dialogs.fileDialogs.isEmpty());
  QCOMPARE(r.f.txtGEAR.text(), u"9"_qs);
  r.dialogs.answers = {Dialogs::Answer::No};
  r.f.cmdFileOpen.click();
  QCOMPARE(r.f.txtGEAR.text(), u"4"_qs);
}

void tst_IndexData::readAsksToSaveEdits_data() {
  QTest::addColumn<QList<Dialogs::Answer>>("answers");
  QTest::addColumn<int>("questions");
  QTest::addColumn<bool>("saved");
  QTest::addColumn<Lines>("wire");
  using A = QList<Dialogs::Answer>;
  QTest::newRow("cancel ends") << A{Dialogs::Answer::Cancel} << 1 << false << Lines{};
  QTest::newRow("no goes on") << A{Dialogs::Answer::No, Dialogs::Answer::Yes} << 2 << false
                              << Lines{"0CM6", "0RP01"};
  QTest::newRow("yes saves first") << A{Dialogs::Answer::Yes, Dialogs::Answer::Yes} << 2 << true
                                   << Lines{"0CM6", "0RP01"};
}

void tst_IndexData::readAsksToSaveEdits() {
  QFETCH(QList<Dialogs::Answer>, answers);
  QFETCH(bool, saved);
  Rig r;
  r.enter("10", "2", "8", "2", true);
  QVERIFY(r.data.document.isEdited());
  r.dialogs.answers = answers;
  const QString path = dir_.filePath("edits.ztd");
  QFile::remove(path);
  r.dialogs.files = {path};
  r.f.cmdGetfromCt.click();
  QTEST(int(r.dialogs.shown.size()), "questions");
  QCOMPARE(r.dialogs.shown.first(), u"Save the editing data before reading data?"_qs);
  QCOMPARE(QFile::exists(path), saved);
  QTEST(r.wire(), "wire");
  // Once read, the data count as unedited: the next read asks only to read.
  if (!r.wire().isEmpty()) {
    QVERIFY(!r.data.document.isEdited());
    r.dialogs.shown.clear();
    r.dialogs.answers = {Dialogs::Answer::No};
    r.f.cmdGetfromCt.click();
    QCOMPARE(r.dialogs.shown, QStringList{u"Read the data from controller, OK?"_qs});
  }
}

void tst_IndexData::recordRoundTrip_data() {
  QTest::addColumn<QList<int>>("cells"); // columns 1 to 7
  QTest::newRow("all zero") << QList<int>{0, 0, 0, 0, 0, 0, 0};
  QTest::newRow("all at their widths") << QList<int>{32767, 15, 15, 0xFFFFF, 15, 255, 255};
  QTest::newRow("example") << QList<int>{1500, 2, 0, 0, 1, 8, 2};
  QTest::newRow("one each") << QList<int>{1, 1, 1, 1, 1, 1, 1};
  QTest::newRow("mixed") << QList<int>{9000, 3, 7, 0x12345, 0, 100, 100};
}

void tst_IndexData::recordRoundTrip() {
  QFETCH(QList<int>, cells);
  PosiRow row;
  for (int col = 1; col <= 7; ++col)
    row[col] = cells[col - 1];
  const QByteArray record = EncodePosiRecord(row);
  QCOMPARE(record.size(), 18);
  const auto back = DecodePosiReply("0RP" + record + "\r\n");
  QVERIFY(back);
  for (int col = 1; col <= 7; ++col)
    QCOMPARE((*back)[col].toInt(), cells[col - 1]);
}

void tst_IndexData::decodeEdges() {
  // Velocity values 8000 to FFFF come back negative, as 16-bit numbers.
  QCOMPARE((*DecodePosiReply("0RP01FFFF000000000000\r\n"))[1].toInt(), -1);
  QCOMPARE((*DecodePosiReply("0RP018000000000000000\r\n"))[1].toInt(), -32768);
  QVERIFY(!DecodePosiReply("0RP01FFFG000000000000\r\n"));
  QVERIFY(!DecodePosiReply("0RP01FFF\r\n"));
}

void tst_IndexData::savedThirdLine() {
  Rig r;
  r.enter("10", "2", "8", "2", true);
  const QString path = dir_.filePath("third.ztd");
  r.dialogs.files = {path};
  r.f.cmdSaveFile.click();
  QCOMPARE(r.dialogs.fileDialogs.first().title, u"Save Position Data as ..."_qs);
  QCOMPARE(r.dialogs.fileDialogs.first().defaultName, u"KOVdata.ztd"_qs);
  QCOMPARE(r.dialogs.fileDialogs.first().filter, u"Position Data(*.ztd)|*.ztd|All Files(*.*)|*.*"_qs);
  QCOMPARE(r.dialogs.fileDialogs.first().defaultExtension, u"ztd"_qs);
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                                   "0,\"1500\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n"));
  // After a read that delivered zero controller fields.
  r.line.sim()->setPointRecord("05DC200000010802");
  r.dialogs.answers = {Dialogs::Answer::Yes};
  r.f.cmdGetfromCt.click();
  r.dialogs.files = {path};
  r.f.cmdSaveFile.click();
  f.close();
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll().split('\n').value(2), QByteArray("0,\"1500\",\"2\",\"0\",\"0\",\"1\",\"8\",\"2\",\"\"\r"));
}

void tst_IndexData::open_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QStringList>("screen");
  QTest::addColumn<QStringList>("messages");
  const QByteArray head = "\"ZT-M5\",\"Position\"\r\n";
  const QByteArray record = "0,\"1500\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n";
  const QStringList shown{"10", "1500", "2", "8", "2", "CCW"};
  const QStringList before{"5", "300", "1", "4", "5", "CW"};
  QTest::newRow("new") << head + "\"\",\"NEW\"\r\n" + record << shown << QStringList();
  QTest::newRow("OLD") << head + "\"\",\"OLD\"\r\n" + record << shown << QStringList();
  QTest::newRow("old form") << head + "\"abc\"\r\n" + record << shown << QStringList();
  QTest::newRow("header of six") << head + "\"abcdef\",\"NEW\"\r\n" + record << before
                                 << QStringList{NotOurs};
  QTest::newRow("not Position") << "\"ZT-M5\",\"Parameter\"\r\n\"\",\"NEW\"\r\n" + record << before
                                << QStringList{NotOurs};
  QTest::newRow("velocity 0") << head + "\"\",\"NEW\"\r\n0,\"0\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n"
                              << QStringList{"5", "0", "2", "8", "2", "CCW"} << QStringList{CannotOpen};
  QTest::newRow("division 150") << head + "\"\",\"NEW\"\r\n0,\"1500\",\"2\",\"\",\"\",\"1\",\"150\",\"2\",\"\"\r\n"
                                << QStringList{"10", "1500", "2", "", "2", "CCW"} << QStringList();
  QTest::newRow("truncated") << head + "\"\",\"NEW\"\r\n0,\"1500\",\"2\"\r\n" << before
                             << QStringList{CannotOpen};
  QTest::newRow("not a number") << head + "\"\",\"NEW\"\r\n0,\"fast\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n"
                                << before << QStringList{CannotOpen};
}

void tst_IndexData::open() {
  QFETCH(QByteArray, file);
  const QString path = ztdFile("open.ztd", file);
  Rig r;
  r.enter("5", "1", "4", "5", false);
  r.data.document.setEdited(false); // as saved
  const PosiRow recvBefore = r.data.PosiDataRecv;
  r.dialogs.files = {path};
  r.f.cmdFileOpen.click();
  QCOMPARE(r.dialogs.fileDialogs.first().title, u"Open Position Data file"_qs);
  QTEST(r.screen(), "screen");
  QTEST(r.dialogs.shown, "messages");
  QFETCH(QStringList, screen);
  if (screen.value(1) == u"300"_qs) // refused: nothing taken over
    QCOMPARE(r.data.PosiDataRecv, recvBefore);
  QVERIFY(!r.data.SuppressVelCalc);
  QVERIFY(r.wire().isEmpty());
}

void tst_IndexData::failedSaveKeepsTheOldFile() {
  Rig r;
  r.enter("10", "2", "8", "2", true);
  // A folder stands where the file would go: nothing can be written there.
  const QString path = dir_.filePath("taken.ztd");
  QVERIFY(QDir().mkpath(path));
  QFile inside(path + "/keep");
  QVERIFY(inside.open(QIODevice::WriteOnly));
  inside.write("old");
  inside.close();
  r.dialogs.files = {path};
  QVERIFY(!r.file.SaveFileProc());
  QCOMPARE(r.dialogs.shown.size(), 1);
  QVERIFY(r.dialogs.last().startsWith(u"Fail to save the file.\r\n"_qs + path));
  QVERIFY(QFileInfo(path).isDir());
  QVERIFY(inside.open(QIODevice::ReadOnly));
  QCOMPARE(inside.readAll(), QByteArray("old"));
  QVERIFY(r.data.document.isEdited()); // still to be saved
}

QTEST_GUILESS_MAIN(tst_IndexData)
#include "tst_indexdata.moc"
