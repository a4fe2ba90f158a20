#include "keys.h"
#include "programrig.h"

using Lines = QList<QByteArray>;
using Answers = QList<Dialogs::Answer>;
using A = Dialogs::Answer;
using F = ControllerSim::Fault;
struct Rig;
using Setup = std::function<void(Rig &)>;

namespace {
// A position data file of point 1 in the temporary folder; its path.
QString ztd(const QString &name, const QByteArray &bytes) {
  return kt::writeFile(kt::path(name), bytes) ? kt::path(name) : QString();
}
QByteArray record(const char *vel, const char *div, const char *gear) {
  return QByteArray("0,\"") + vel + "\",\"2\",\"\",\"\",\"1\",\"" + div + "\",\"" + gear + "\",\"\"\r\n";
}
const QByteArray Head = "\"ZT-M5\",\"Position\"\r\n";
const QByteArray New = Head + "\"\",\"NEW\"\r\n";
QString wrongData() { return kt::msg(384) + "\r\n\r\n" + kt::msg(385); }
} // namespace

// The program on the simulator; the operator enters the operation data.
struct Rig : ProgramRig<> {
  ControllerSim &sim() { return *line.sim(); }
  Lines wire() { return sim().receivedLines(); }
  void enter(const QString &list, const QString &acc, const QString &div, const QString &gear,
             bool ccw, bool saved = false) {
    kt::type(f().txtGEAR, gear);
    f().txtGEAR.lostFocus();
    kt::type(f().txtDIVISION, div);
    f().txtDIVISION.lostFocus();
    f().comboVEL.setText(list);
    f().comboACC.setText(acc);
    (ccw ? f().optCCW : f().optCW).setChecked(true);
    if (saved)
      p.indexData.document.setEdited(false);
  }
  // List, velocity, acceleration, division, gear ratio, direction.
  QString screen() {
    return QStringList{f().comboVEL.text(), f().txtVEL.text(), f().comboACC.text(), f().txtDIVISION.text(),
                       f().txtGEAR.text(), f().optCCW.isChecked() ? "CCW" : "CW"}.join(u'/');
  }
};

class tst_IndexData : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void velocity_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("gear");
    QTest::addColumn<QString>("velocity");
    const char *rows[][4] = {{"37.5 to the even 38", "1", "8", "38"}, {"12.5 to the even 12", "1", "24", "12"},
                             {"list 30, gear 1", "30", "1", "9000"}, {"no gear, no velocity", "5", "", ""}};
    for (const auto &row : rows)
      QTest::newRow(row[0]) << row[1] << row[2] << row[3];
  }
  // List value x 300 / gear, whichever of the two the operator sets last.
  void velocity() {
    QFETCH(QString, list);
    QFETCH(QString, gear);
    for (const bool gearFirst : {true, false}) {
      Rig r;
      kt::type(r.f().txtGEAR, gearFirst ? gear : QString());
      r.f().comboVEL.setText(list);
      kt::type(r.f().txtGEAR, gearFirst ? QString() : gear);
      QTEST(r.f().txtVEL.text(), "velocity");
    }
  }

  void entryRules_data() {
    QTest::addColumn<QString>("keys"); // into the division field ("g:" before them: the gear field), "\t" leaves it
    QTest::addColumn<QString>("text"); // "*" after it: greyed
    const char *rows[][3] = {
        {"100 takes no more", "1005\r", "100"}, {"101 removed at once", "101", "*"},     {"letters refused", "a1b2", "12"},
        {"backspace", "12\b3", "13"},           {"007 left as 7", "007\t", "7"},        {"000 left empty", "000\t", "*"},
        {"division 1 left empty", "1\t", "*"}, {"division 2 stays", "2\t", "2"},       {"empty left unmarked", "\t", ""},
        {"gear 0 left empty", "g:00\t", "*"},  {"gear 1 stays", "g:1\t", "1"},         {"gear 250 removed", "g:250", "*"},
        {"gear empty left unmarked", "g:\t", ""}, {"the next number ends the grey", "g:0\t8", "8"}};
    for (const auto &row : rows)
      QTest::newRow(row[0]) << row[1] << row[2];
  }
  void entryRules() {
    QFETCH(QString, keys);
    Rig r;
    Control &field = keys.startsWith(u"g:") ? r.f().txtGEAR : r.f().txtDIVISION;
    const QStringList parts = keys.mid(keys.startsWith(u"g:") ? 2 : 0).split(u'\t');
    for (qsizetype i = 0; i < parts.size(); ++i) {
      if (i)
        field.lostFocus();
      kt::type(field, parts[i]);
    }
    QTEST(field.text() + (field.backColor() == colors::InactiveCaptionText ? "*" : ""), "text");
  }

  void write_data() {
    QTest::addColumn<Setup>("setup"); // after the entry of 1500/2/8/2/CCW, the question answered OK
    QTest::addColumn<Lines>("wire");
    QTest::addColumn<QStringList>("told"); // in boxes, then on the status line
    QTest::addColumn<bool>("stored");
    const QString ask = kt::msg(375), two = "\r\n\r\n", range = kt::msg(5007);
    const QString timeout = kt::msg(100) + two + kt::msg(101) + two + kt::msg(102) + two + kt::msg(103);
    const Lines written{"0RA", "0WP01" "05DC200000010802", "0WA0101"};
    auto set = [](const char *box, const char *text) { return Setup([=](Rig &r) { r.f().find(box)->setText(text); }); };
    // Refused before the question: nothing sent, the reason named.
    QTest::newRow("gear empty") << set("txtGEAR", "") << Lines{}
                                << QStringList{kt::msg(5211).arg(kt::msg(3005)) + "\r\n" + kt::msg(8)} << false;
    QTest::newRow("velocity 0") << set("txtVEL", "0") << Lines{}
                                << QStringList{range.arg(kt::msg(3002), "0", "1", "100000")} << false;
    QTest::newRow("velocity 100001") << set("txtVEL", "100001") << Lines{}
                                     << QStringList{range.arg(kt::msg(3002), "100001", "1", "100000")} << false;
    QTest::newRow("acceleration 4") << set("txtACC", "4") << Lines{} << QStringList{range.arg(kt::msg(3003), "4", "1", "3")}
                                    << false;
    QTest::newRow("cancelled") << Setup([](Rig &r) { r.dialogs.answers = {A::Cancel}; }) << Lines{} << QStringList{ask}
                               << false;
    QTest::newRow("moving") << Setup([](Rig &r) { r.sim().setStatus(0); }) << Lines{"0RA"}
                            << QStringList{ask, kt::msg(424)} << false;
    QTest::newRow("written") << Setup([](Rig &) {}) << written << QStringList{ask} << true;
    QTest::newRow("garbled 0WP reply") << Setup([](Rig &r) { r.sim().setFault("0WP", F::Garbage); }) << written.mid(0, 2)
                                       << QStringList{ask, wrongData()} << false;
    // The controller took the record; only its answer was lost.
    QTest::newRow("no 0WA reply") << Setup([](Rig &r) { r.sim().setFault("0WA", F::NoReply); }) << written
                                  << QStringList{ask, timeout} << true;
  }
  void write() {
    QFETCH(Setup, setup);
    Rig r;
    const QByteArray before = r.sim().pointRecord();
    r.enter("10", "2", "8", "2", true);
    r.dialogs.answers = {A::Ok};
    setup(r);
    r.f().cmdLoadtoCt.click();
    QTEST(r.wire(), "wire");
    QTEST(r.dialogs.shown + r.dialogs.statuses, "told");
    QFETCH(bool, stored);
    QCOMPARE(r.sim().pointRecord(), stored ? QByteArray("05DC200000010802") : before);
    QVERIFY(!r.f().ProgressBar1.isVisible() && r.dialogs.busyDepth == 0 && !r.line.isOpen());
    QVERIFY(r.f().cmdGetfromCt.isEnabled() && r.f().mnuCont.isEnabled() && r.f().SSTab1.isTabEnabled(1));
  }

  void read_data() {
    QTest::addColumn<QByteArray>("rec"); // empty: a garbled reply
    QTest::addColumn<A>("answer");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("shown");
    const QString ask = kt::msg(370), unshown = kt::msg(3010), before = "5/300/1/4/5/CW";
    using S = QStringList;
    QTest::newRow("read") << QByteArray("05DC200000010802") << A::Yes << "10/1500/2/8/2/CCW" << S{ask};
    QTest::newRow("answered No") << QByteArray("05DC200000010802") << A::No << before << S{ask};
    QTest::newRow("division 101 removed") << QByteArray("05DC200000016502") << A::Yes << "10/1500/2//2/CCW"
                                          << S{ask};
    QTest::newRow("velocity 100, gear 1: list 1") << QByteArray("0064100000000801") << A::Yes
                                                  << "1/300/1/8/1/CW" << S{ask};
    QTest::newRow("not hex") << QByteArray() << A::Yes << before << S{ask, wrongData()};
    QTest::newRow("product beyond 16 bits") << QByteArray("2328100000000864") << A::Yes
                                            << "5/9000/1/8/100/CW" << S{ask, unshown};
    QTest::newRow("acceleration without item") << QByteArray("05DC700000010802") << A::Yes
                                               << "10/1500/1/8/2/CCW" << S{ask, unshown};
  }
  void read() {
    QFETCH(QByteArray, rec);
    QFETCH(A, answer);
    Rig r;
    r.enter("5", "1", "4", "5", false, true);
    r.sim().setPointRecord(rec.isEmpty() ? "05DC200000010802" : rec);
    if (rec.isEmpty())
      r.sim().setFault("0RP", F::Garbage);
    r.dialogs.answers = {answer};
    r.f().cmdGetfromCt.click();
    QTEST(r.screen(), "screen");
    QTEST(r.dialogs.shown, "shown");
    QCOMPARE(r.wire(), answer == A::Yes ? (Lines{"0CM6", "0RP01"}) : Lines{});
    QVERIFY(r.f().comboVEL.isEnabled() && r.f().cmdLoadtoCt.isEnabled());
    QVERIFY(!r.p.indexData.SuppressVelCalc && !r.line.isOpen());
  }

  // However the first exchange (the read's link check, the write's status)
  // fails, it is told and the port is released.
  void portReleasedAfterAFailedFirstReply() {
    for (const bool read : {true, false})
      for (const F fault : {F::ErrorReply, F::WrongEcho}) {
        Rig r;
        r.enter("10", "2", "8", "2", true, true);
        const QByteArray first = read ? "0CM6" : "0RA";
        r.sim().setFault(first, fault);
        r.dialogs.answers = {read ? A::Yes : A::Ok};
        (read ? r.f().cmdGetfromCt : r.f().cmdLoadtoCt).click();
        QVERIFY(r.wire().startsWith(first));
        QCOMPARE(r.dialogs.shown.first(), kt::msg(read ? 370 : 375));
        QVERIFY(r.dialogs.shown.size() >= 2 && !r.line.isOpen());
      }
  }

  void askBeforeReplacing_data() {
    QTest::addColumn<bool>("open"); // a file, else the controller's data
    QTest::addColumn<QStringList>("emptied"); // boxes cleared after the edits
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("read, cancel") << false << QStringList() << Answers{A::Cancel} << false << false;
    QTest::newRow("read, no") << false << QStringList() << Answers{A::No, A::Yes} << false << true;
    QTest::newRow("open, yes saves first") << true << QStringList() << Answers{A::Yes} << true << true;
    QTest::newRow("one box left, cancel") << false << QStringList{"txtVEL", "txtACC", "txtDIVISION"}
                                          << Answers{A::Cancel} << false << false;
    QTest::newRow("every box emptied: nothing to save") << false
                                         << QStringList{"txtVEL", "txtACC", "txtDIVISION", "txtGEAR"}
                                         << Answers{A::Yes} << false << true;
  }
  // Edits are offered for saving before a read or a file replaces them; empty boxes hold none.
  void askBeforeReplacing() {
    QFETCH(bool, open);
    QFETCH(Answers, answers);
    QFETCH(bool, saved);
    QFETCH(bool, replaced);
    Rig r;
    r.enter("10", "2", "8", "9", true);
    QFETCH(QStringList, emptied);
    for (const QString &box : emptied)
      r.f().find(box)->setText(QString());
    r.dialogs.answers = answers;
    QVERIFY(kt::writeFile(kt::path("edits.ztd"), QByteArray()));
    r.dialogs.files = {kt::path("edits.ztd"), ztd("other.ztd", New + record("1500", "4", "4"))};
    if (!saved)
      r.dialogs.files.removeFirst();
    r.sim().setPointRecord("05DC200000010404");
    (open ? r.f().cmdFileOpen : r.f().cmdGetfromCt).click();
    QCOMPARE(r.dialogs.shown.first() == kt::msg(369), emptied.size() < 4);
    if (answers == Answers{A::Cancel} && emptied.isEmpty()) // nothing more is asked
      QCOMPARE(r.dialogs.shown.size(), 1);
    QCOMPARE(QFile::exists(kt::path("edits.ztd")), saved);
    QCOMPARE(r.f().txtGEAR.text(), replaced ? u"4"_qs : emptied.size() < 4 ? u"9"_qs : QString());
    QCOMPARE(r.p.indexData.document.isEdited(), !replaced);
  }

  // Velocities 8000 to FFFF come back as negative 16-bit numbers; a field
  // that is no hex digit, or missing, is refused.
  void decodeEdges() {
    QCOMPARE((*DecodePosiReply("0RP01FFFF000000000000\r\n"))[1].toInt(), -1);
    QCOMPARE((*DecodePosiReply("0RP018000000000000000\r\n"))[1].toInt(), -32768);
    QVERIFY(!DecodePosiReply("0RP01FFFG000000000000\r\n") && !DecodePosiReply("0RP01FFF\r\n"));
  }

  // The saved record, with the controller's two fields once a read delivered
  // them; a save that fails keeps what stood there and the edits to save.
  void save() {
    Rig r;
    r.enter("10", "2", "8", "2", true);
    const QString path = kt::path("third.ztd"), taken = kt::path("taken.ztd");
    r.dialogs.files = {path};
    r.f().cmdSaveFile.click();
    QCOMPARE(kt::readFile(path), New + record("1500", "8", "2"));
    r.sim().setPointRecord("05DC200000010802");
    r.dialogs.answers = {A::Yes};
    r.f().cmdGetfromCt.click();
    r.f().optCW.setChecked(true);
    QVERIFY(QDir().mkpath(taken) && kt::writeFile(taken + "/keep", "old")); // nothing can be written there
    r.dialogs.files = {taken, path};
    r.f().cmdSaveFile.click();
    QVERIFY(r.dialogs.last().startsWith(kt::msg(3011) + "\r\n" + taken));
    QVERIFY(kt::readFile(taken + "/keep") == "old" && r.p.indexData.document.isEdited());
    r.f().cmdSaveFile.click();
    QCOMPARE(kt::readFile(path).split('\n').value(2), QByteArray("0,\"1500\",\"2\",\"0\",\"0\",\"0\",\"8\",\"2\",\"\"\r"));
  }

  void open_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("shown");
    const QString shown = "10/1500/2/8/2/CCW", before = "5/300/1/4/5/CW";
    const QStringList notOurs{kt::msg(21) + "\r\n\r\n" + kt::msg(20)}, damaged{kt::msg(3009)};
    const QByteArray rec = record("1500", "8", "2");
    QTest::newRow("NEW") << New + rec << shown << QStringList();
    QTest::newRow("OLD") << Head + "\"\",\"OLD\"\r\n" + rec << shown << QStringList();
    QTest::newRow("no keyword") << Head + "\"abc\"\r\n" + rec << shown << QStringList();
    QTest::newRow("header of six") << Head + "\"abcdef\",\"NEW\"\r\n" + rec << before << notOurs;
    QTest::newRow("not Position") << "\"ZT-M5\",\"Parameter\"\r\n\"\",\"NEW\"\r\n" + rec << before << notOurs;
    // Shown for the operator to judge, but not opened.
    QTest::newRow("velocity 0") << New + record("0", "8", "2") << "5/0/2/8/2/CCW" << damaged;
    QTest::newRow("division 150") << New + record("1500", "150", "2") << "10/1500/2//2/CCW" << QStringList();
    QTest::newRow("truncated") << New + "0,\"1500\",\"2\"\r\n" << before << damaged;
    QTest::newRow("not a number") << New + record("fast", "8", "2") << before << damaged;
  }
  // A damaged or foreign file is said so and keeps the screen and the data.
  void open() {
    QFETCH(QByteArray, file);
    Rig r;
    r.enter("5", "1", "4", "5", false, true);
    const PosiRow recvBefore = r.p.indexData.PosiDataRecv;
    r.dialogs.files = {ztd("open.ztd", file)};
    r.f().cmdFileOpen.click();
    QTEST(r.screen(), "screen");
    QTEST(r.dialogs.shown, "shown");
    QFETCH(QString, screen);
    if (screen == u"5/300/1/4/5/CW")
      QCOMPARE(r.p.indexData.PosiDataRecv, recvBefore);
    QVERIFY(!r.p.indexData.SuppressVelCalc && r.wire().isEmpty());
  }
};

KOV_TEST_GUILESS_MAIN(tst_IndexData)
#include "tst_indexdata.moc"
