#include "entryrules.h"
#include "keys.h"
#include "paramrig.h"

#include <QSignalSpy>

Q_DECLARE_METATYPE(ParametaRecord)

namespace {

// Two records share the size part "28 ".
const QString DevList3 = u"3\r\n\"28 L-100\",\"a\",1,2,3\r\n\"28 D-101\",\"b\",1,2,3\r\n\"35 L-100\",\"c\",1,2,3\r\n"_qs;
// A good standard list, the damaged ones made from it.
const QString StdList = u"\"ZT-M5\",\"ZT-CMNPRM\",3\r\n\"PG\",2,3\r\n13,0,1\r\n14,100,250\r\n"
                        u"\"ETC\",8,2\r\n15,1\r\n16,0\r\n17,7\r\n18,8\r\n19,12\r\n20,10\r\n21,0\r\n"
                        u"22,0\r\n\"SPECIAL\",6,2\r\n23,125\r\n24,0\r\n25,0\r\n26,1\r\n27,0\r\n28,0\r\n"_qs;

void writeList(const char *name, const QString &text) { // null: no file
  kt::writeFile(kt::path(QString::fromLatin1(name)), text.isNull() ? QByteArray() : text.toUtf8());
}

} // namespace

class tst_Params : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message")));
    writeList(stdlists::DevListFile, DevList3);
    writeList(stdlists::StdParaListFile, StdList);
  }

  // Keys typed into a box ("\b" backspace, "\r" Enter), then the focus leaving it.
  void entry_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("left");
    auto row = [](const QByteArray &name, const char *box, const QString &keys, const QString &shown,
                  const QString &left, const char *before = "", int selected = 0) {
      QTest::newRow(name.constData()) << box << before << selected << keys << shown << left;
    };
    row("full", "txtHomeVel", "123", "12", "12");
    row("zero left empties", "txtHomeOffset", "0", "0", "");
    row("zeros left", "txtInpLimit", "007", "007", "7");
    row("all selected", "txtHomeOffset", "6", "6", "6", "12345", 5);
    row("part selected", "txtHomeOffset", "6", "12345", "12345", "12345", 2);
    row("enter", "txtHomeVel", "\r", "1", "1", "1");
    row("point, letter", "txtAxisPulse", ".a", "", "0");
    row("current enter", "txtDenryu", "\r", "1.5", "1.5", "1.5");
    const std::pair<const char *, const char *> current[] = { // keys, shown; 0.1 A steps
        {".", "0."}, {"..", "0."}, {"1x", "1"}, {"2.5", "2."}, {"2.0", "2.0"}, {"1.5\b", "1."}, {"1.\b.", "1."}, {"1.23", "1.2"}};
    for (const auto &[keys, shown] : current)
      row("current " + QByteArray(keys).replace('\b', '~'), "txtDenryu", keys, shown, shown);
  }

  void entry() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, selected);
    ParamRig t;
    Control *c = t.f.find(box);
    t.f.txtDenryu.setText(QString()); // no point seen
    c->setText(before);
    QSignalSpy focus(c, &Control::focusNextRequested);
    QFETCH(QString, keys);
    kt::type(*c, keys, selected);
    QTEST(c->text(), "shown");
    QCOMPARE(focus.size(), keys.count(u'\r'));
    c->lostFocus();
    QTEST(c->text(), "left");
  }

  // A key into the current box replaces the selection, and is judged by the
  // text it makes: a second decimal is refused, a value over 2.0 refused and named.
  void currentKey_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QString>("outOfRange");
    QTest::newRow("over the decimal") << "1.5" << 2 << 1 << QChar('7') << true << "";
    QTest::newRow("a second decimal") << "1.5" << 3 << 0 << QChar('7') << false << "";
    QTest::newRow("a point over the point") << "1.5" << 1 << 1 << QChar('.') << true << "";
    QTest::newRow("a second point") << "1.5" << 1 << 0 << QChar('.') << false << "";
    QTest::newRow("2.5") << "2." << 2 << 0 << QChar('5') << false << "2.5";
    QTest::newRow("before the point") << "1.5" << 0 << 0 << QChar('1') << false << "11.5";
  }
  void currentKey() {
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QChar, key);
    QString outOfRange;
    const entry::KeyResult r =
        entry::DenryuKeyFilter(key.unicode(), text, text.contains(u'.'), selStart, selLength, &outOfRange);
    QTEST(r.key != 0, "passes");
    QTEST(outOfRange, "outOfRange");
  }

  // The SP motor current: a size change to SP empties the fixed current of
  // the size before; a current already there stays (tst_ui types it in the window).
  void spCurrent() {
    ParamRig t;
    QCOMPARE(t.f.txtDenryu.text(), u"1.5"_qs);
    t.f.comboActSize.setText("SP");
    QVERIFY(t.f.txtDenryu.text().isEmpty() && t.f.txtDenryu.isEnabled());
    kt::type(t.f.txtDenryu, "0.8");
    t.f.comboActSize.setListIndex(3); // SP chosen again
    QCOMPARE(t.f.txtDenryu.text(), u"0.8"_qs);
    t.f.comboActSize.setText("42");
    QCOMPARE(t.f.txtDenryu.text(), u"1.2"_qs);
  }

  // What the page shows it takes in again, pulses above 32767 included,
  // once the special group is unlocked (after a question); locked, it is
  // taken in as its factory values.
  void showAndTakeIn() {
    ParamRig t;
    ParametaRecord a = standard28();
    a.Aux02 = a.Aux05 = 1; // fixed by taking in
    a.HomeOffset = 300; a.HomeVel = 12; a.HomeOfsVel = 5; a.AxisPulse = 65535; a.AxisAutoDrv = 1;
    a.PgFunc = 1; a.PgAlarm = 55; a.HomeOut = 3; a.InpLimit = 999; a.PgCheckTimer = 100;
    a.AutoHome = 1; a.LsSerchTimer = 3; a.EmgLogic = 0; a.AlarmAutoClear = 1; a.ActSize = "42"; a.ActCode = "42L100";
    t.show(a);
    t.page.TorikomiParametaValue();
    const ParametaRecord &p = t.page.ParametaSet;
    QCOMPARE(QList<int>({p.PgCheckTimer, p.AutoHome, p.LsSerchTimer, p.EmgLogic, p.AlarmAutoClear}),
             QList<int>({125, 0, 0, 1, 0}));
    t.f.chkTokuParaChange.setChecked(true); // answered No
    QVERIFY(!t.f.chkTokuParaChange.isChecked() && !t.f.comboAutoHome.isEnabled() && !t.f.optEmgLogic(1).isEnabled());
    t.dialogs.answers << Dialogs::Answer::Yes;
    t.f.chkTokuParaChange.setChecked(true);
    QCOMPARE(t.dialogs.shown, QStringList(2, kt::msg({671, 672})));
    QVERIFY(t.f.comboAutoHome.isEnabled() && t.f.optEmgLogic(1).isEnabled());
    t.page.TorikomiParametaValue();
    QCOMPARE(t.page.ParametaSet, a);
    t.f.txtHomeVel.setText("65546"); // pasted: held at the field's limit, not wrapped round into range
    t.page.TorikomiParametaValue();
    QCOMPARE(ParametaRangeFailures(t.page.ParametaSet), QStringList{"HomeVel"});
    // A value without an item empties its list, which the blank check stops.
    a.AxisAutoDrv = 7; a.PgFunc = -1; a.AutoHome = 2;
    t.show(a);
    for (Control *combo : {&t.f.comboAxisAutoDrv, &t.f.comboPgFunc, &t.f.comboAutoHome})
      QCOMPARE(combo->text() + QString::number(combo->listIndex()), u"-1"_qs);
    QCOMPARE(t.page.BlankParaCheck(), qint16(1));
  }

  void valueCheck_data() {
    QTest::addColumn<ParametaRecord>("p");
    QTest::addColumn<QStringList>("failed");
    auto row = [](const char *name, const std::function<void(ParametaRecord &)> &change, const QStringList &failed) {
      ParametaRecord p = standard28();
      change(p);
      QTest::newRow(name) << p << failed;
    };
    using P = ParametaRecord &;
    row("HomeOffset 65536, HomeOut 4", [](P p) { p.HomeOffset = 65536; p.HomeOut = 4; }, {"HomeOffset", "HomeOut"});
    row("HomeOffset 0, ActType empty", [](P p) { p.HomeOffset = 0; p.ActType.clear(); }, {"HomeOffset", "ActType"});
    row("PgAlarm 0, InpLimit 999, HomeOut 3", [](P p) { p.PgAlarm = 0; p.InpLimit = 999; p.HomeOut = 3; }, {});
    row("Aux17 262144, Reserved 256", [](P p) { p.Aux17 = 262144; p.Reserved[6] = 256; }, {"Aux17", "Reserved"});
    // Aux10's limits follow Aux07.
    row("Aux10 51 by Aux07 2", [](P p) { p.Aux10 = 51; }, {"Aux10"});
    row("Aux10 180 by Aux07 7", [](P p) { p.Aux07 = 7; p.Aux10 = 180; }, {});
    row("Aux10 201 by Aux07 8", [](P p) { p.Aux07 = 8; p.Aux10 = 201; }, {"Aux10"});
  }

  void valueCheck() {
    QFETCH(ParametaRecord, p);
    QFETCH(QStringList, failed);
    QCOMPARE(ParametaRangeFailures(p), failed);
    QCOMPARE(ParametaValueCheck(p), qint16(failed.isEmpty() ? 0 : 1));
  }

  void standardSet_data() {
    QTest::addColumn<QString>("list"); // the standard list; null: none; "shipped": the one beside the program
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("encoder");
    QTest::addColumn<QString>("messages"); // "-": refused unsaid
    for (const char *size : {"28", "35", "42", "SP"})
      for (bool encoder : {false, true})
        QTest::addRow("shipped, %s%s", size, encoder ? " with encoder" : "") << "shipped" << size << encoder << "";
    QTest::newRow("E35, from a file") << StdList << "E35" << false << "-"; // ActCode too long
    auto edited = [](const QString &from, const QString &to) { return QString(StdList).replace(from, to); };
    QTest::newRow("other model") << edited("ZT-M5", "ZT-M4") << "35" << false << kt::msg(27) + u'|' + kt::msg(36);
    const std::pair<const char *, QString> damaged[] = {
        {"list missing", QString()},
        {"second section PG", edited("\"ETC\"", "\"PG\"")},
        {"4 items a record", edited("\"ETC\",8,2", "\"ETC\",8,4")},
        {"22 records", edited("\"SPECIAL\",6,2", "\"SPECIAL\",12,1")},
        {"no encoder column", edited("\"PG\",2,3\r\n13,0,1\r\n14,100,250", "\"PG\",2,2\r\n13,0\r\n14,100")},
        {"cut short", StdList.left(StdList.size() - 8)}};
    for (const auto &[name, list] : damaged)
      QTest::newRow(name) << list << "35" << false << kt::msg({28, 29}) + u'|' + kt::msg(36);
  }

  // The standard set of a size: the shipped lists give what the controller
  // takes (size 28 what the simulator starts with); a defective list, nothing.
  void standardSet() {
    QFETCH(QString, list);
    QFETCH(QString, size);
    QFETCH(bool, encoder);
    QFETCH(QString, messages);
    writeList(stdlists::StdParaListFile, list);
    ParamRig t(list == u"shipped" ? QString() : kt::dir().path());
    t.page.ParametaSet.HomeOffset = 500;
    ParametaRecord expected = t.page.ParametaSet;
    t.page.DevChoice = {size, "L", 100};
    t.page.DevPgUse = encoder;
    QCOMPARE(t.page.LoadStdPara(), qint16(messages.isEmpty() ? 0 : 1));
    QCOMPARE(t.dialogs.shown.join(u'|'), messages == u"-" ? QString() : messages);
    if (messages.isEmpty()) {
      expected = standard28();
      expected.ActSize = size; expected.ActCode = size + u"L100"_qs; expected.PgFunc = encoder ? 1 : 0;
      QCOMPARE(ParametaValueCheck(expected), qint16(0));
    }
    QCOMPARE(t.page.ParametaSet, expected);
  }

  void standardMarks_data() {
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("encoder");
    for (const char *size : {"28", "35", "42", "SP"})
      for (bool encoder : {false, true})
        QTest::addRow("%s%s", size, encoder ? " with encoder" : "") << size << encoder;
  }

  // "Mark changes from standard": nothing on a standard set; an edit and a
  // file marked at once, with the standard value; an edit undone unmarked.
  void standardMarks() {
    QFETCH(QString, size);
    QFETCH(bool, encoder);
    ParamRig t(kt::dir().path());
    t.page.DevChoice = {size, "L", 100};
    t.page.DevPgUse = encoder;
    QCOMPARE(t.page.LoadStdPara(), qint16(0));
    t.page.ParametaHyoji();
    t.f.chkStdMark.setChecked(true);
    const StandardMarks &marks = t.p.standardMarks;
    const QString counted = kt::msg(encoder ? 5242 : 5241);
    QCOMPARE(marks.count(), 0);
    QCOMPARE(t.dialogs.statuses.last(), counted.arg(0).arg(size));
    const QString rangeTip = t.f.txtPgAlarm.toolTip;
    t.f.txtPgAlarm.setText("99");
    QCOMPARE(marks.count(), 1);
    QVERIFY(marks.isMarked(t.f.txtPgAlarm));
    QCOMPARE(t.f.txtPgAlarm.backColor(), colors::ChangedTint);
    QCOMPARE(t.f.txtPgAlarm.toolTip, rangeTip + u'\n' + kt::msg(5240).arg(encoder ? 250 : 100));
    QCOMPARE(t.dialogs.statuses.last(), kt::msg(encoder ? 5331 : 5330).arg(1).arg(size)); // one value differs
    t.f.txtPgAlarm.setText(encoder ? "250" : "100");
    QCOMPARE(marks.count(), 0);
    QCOMPARE(t.f.txtPgAlarm.toolTip, rangeTip);
    QCOMPARE(t.f.txtPgAlarm.backColor(), colors::WindowBackground);

    // A file whose special group differs: marked only once the group is
    // taken from the screen.
    ParametaRecord file = *t.page.standardSet(size, encoder);
    file.HomeOffset = 40;
    file.EmgLogic = 0;
    kt::writeFile(kt::path("f.pmt"), parafile::Format(PageFixedValues(file, true)));
    t.dialogs.files << kt::path("f.pmt");
    QCOMPARE(t.p.paramFile.cmdReadParaFile_Click(), qint16(0));
    QCOMPARE(marks.count(), 1);
    QVERIFY(marks.isMarked(t.f.txtHomeOffset) && !marks.isMarked(t.f.optEmgLogic(0)));
    t.page.unlockSpecialConfirmed();
    Q_EMIT t.page.valuesChanged();
    QCOMPARE(marks.count(), 2);
    QVERIFY(marks.isMarked(t.f.optEmgLogic(0)) && marks.isMarked(t.f.optEmgLogic(1)));
    QCOMPARE(t.f.optEmgLogic(1).toolTip, kt::msg(5240).arg(kt::msg(690)));
  }

  // No size, or no usable list: said, and nothing marked.
  void standardMarksWithoutAStandard() {
    ParamRig t(kt::dir().path());
    t.f.txtHomeVel.setText("20");
    t.f.comboActSize.setText(QString());
    t.f.chkStdMark.setChecked(true);
    QCOMPARE(t.dialogs.statuses.last(), kt::msg(5243).arg(QString()));
    writeList(stdlists::StdParaListFile, QString());
    t.f.comboActSize.setText("28");
    QCOMPARE(t.dialogs.statuses.last(), kt::msg(28));
    QCOMPARE(t.p.standardMarks.count(), 0);
    QCOMPARE(t.f.txtHomeVel.backColor(), colors::WindowBackground);
  }

  void deviceListCount_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("taken");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("the most") << stdlists::MaxDevices << true;
    QTest::newRow("one more") << stdlists::MaxDevices + 1 << false;
  }
  // A device list's count from 1 to its most; the records after it are its own.
  void deviceListCount() {
    QFETCH(int, count);
    const QString list = QString::number(count) + u"\r\n"_qs + u"\"28 L-100\",\"a\",1,2,3\r\n"_qs.repeated(count);
    QTEST(stdlists::ParseDevList(list).has_value(), "taken");
  }

  // The in-position width fits its byte: 255 is written, 256 never.
  void inPositionWidthEnds() {
    ParamRig t;
    for (const int width : {255, 256}) {
      t.page.ParametaSet.InpLimit = qint16(width);
      QCOMPARE(t.page.valuesInRange(), width == 255);
    }
  }

  // An empty size box takes the device list's first size; with no list it stays empty.
  void emptySizeBox() {
    for (bool list : {true, false}) {
      writeList(stdlists::DevListFile, list ? DevList3 : QString());
      ParamRig t(kt::dir().path());
      t.f.comboActSize.setText(QString());
      t.page.InitActSize();
      QCOMPARE(t.f.comboActSize.text(), list ? u"28 "_qs : QString());
    }
  }
};

KOV_TEST_MAIN(tst_Params)
#include "tst_params.moc"
