#define PARAMRIG_PAGE_ONLY
#include "entryrules.h"
#include "paramrig.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ParametaRecord)

namespace {

// Two records share the size part "28 ".
const QString DevList3 = u"3\r\n\"28 L-100\",\"a\",1,2,3\r\n\"28 D-101\",\"b\",1,2,3\r\n"
                         u"\"35 L-100\",\"c\",1,2,3\r\n"_qs;
// The encoder column differs from the plain one so that the choice shows.
const QString StdList = u"\"ZT-M5\",\"ZT-CMNPRM\",3\r\n\"PG\",2,3\r\n13,0,1\r\n14,100,250\r\n"
                        u"\"ETC\",8,2\r\n15,1\r\n16,0\r\n17,7\r\n18,8\r\n19,12\r\n20,10\r\n21,0\r\n"
                        u"22,0\r\n\"SPECIAL\",6,2\r\n23,125\r\n24,0\r\n25,0\r\n26,1\r\n27,0\r\n28,0\r\n"_qs;

// Keys as the widget delivers them, the first meeting `selected` characters
// selected: a key let through replaces a selection or is appended;
// backspace removes the last character.
void type(Control &box, const QString &keys, int selected) {
  for (QChar ch : keys) {
    box.selLength = std::exchange(selected, 0);
    const int key = box.keyPress(ch.unicode());
    const QString base = box.selLength ? QString() : box.text();
    if (key != 0)
      box.setText(key == entry::KeyBack ? base.left(base.size() - 1) : base + QChar(key));
  }
}

// The loaded page, its lists in a folder of their own.
struct Fixture : PageRig {
  QTemporaryDir dir;

  explicit Fixture(bool shippedLists = false) {
    if (!shippedLists) {
      page.listFolder = dir.path();
      write(stdlists::DevListFile, DevList3);
      write(stdlists::StdParaListFile, StdList);
    }
    page.mainWindowLoad();
  }
  void write(const char *name, const QString &text) { // null: no file
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (text.isNull())
      file.remove();
    else if (file.open(QIODevice::WriteOnly))
      file.write(text.toUtf8());
  }
  QString msg(std::initializer_list<int> ns) const { return m.messages().joined(ns); }
  // The operator presses cmdIniPrm and answers the device dialog with `act`;
  // a check failing inside leaves the dialog by its close box.
  void iniPrm(const std::function<void()> &act) {
    QTimer::singleShot(0, &page, [this, act] {
      act();
      if (d.form.isVisible())
        d.requestClose();
    });
    f.cmdIniPrm.click();
  }
};

} // namespace

class tst_Params : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  // Keys typed into a box, then the focus leaving it.
  void entry_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("focusMoves");
    QTest::addColumn<QString>("left");
    const std::tuple<const char *, int, bool> boxes[] = { // longest entry, zero left empties
        {"txtHomeOffset", 5, true}, {"txtHomeVel", 2, true},  {"txtHomeOfsVel", 2, true},
        {"txtAxisPulse", 5, false}, {"txtPgAlarm", 5, false}, {"txtInpLimit", 3, false},
        {"txtPgCheckTimer", 3, false}, {"txtLsSerchTimer", 3, false}};
    for (const auto &[box, n, zeroEmpties] : boxes) {
      const QString digits = u"123456"_qs.left(n);
      QTest::addRow("%s limit", box) << box << "" << 0 << digits + u'7' << digits << 0 << digits;
      QTest::addRow("%s zero", box) << box << "" << 0 << "0" << "0" << 0 << (zeroEmpties ? "" : "0");
    }
    QTest::newRow("all selected") << "txtHomeOffset" << "12345" << 5 << "6" << "6" << 0 << "6";
    QTest::newRow("part selected") << "txtHomeOffset" << "12345" << 2 << "6" << "12345" << 0 << "12345";
    QTest::newRow("enter") << "txtHomeVel" << "1" << 0 << "\r" << "1" << 1 << "1";
    QTest::newRow("enter when full") << "txtHomeVel" << "12" << 0 << "\r" << "12" << 0 << "12";
    QTest::newRow("backspace when full") << "txtHomeVel" << "12" << 0 << "\b" << "1" << 0 << "1";
    QTest::newRow("point, letter") << "txtAxisPulse" << "" << 0 << ".a" << "" << 0 << "0";
    QTest::newRow("leading zeros") << "txtAxisPulse" << "" << 0 << "0070" << "0070" << 0 << "70";
    QTest::newRow("home ofsvel zeros") << "txtHomeOfsVel" << "00" << 0 << "" << "00" << 0 << "";
    QTest::newRow("pg timer zeros") << "txtPgCheckTimer" << "00" << 0 << "" << "00" << 0 << "0";
    const QList<std::pair<QString, QString>> current{ // keys, shown; "\b" backspace
        {".", "0."}, {"..", "0."}, {".5.", "0.5"}, {"1x", "1"}, {"2.5", ""}, {"2.0", "2.0"},
        {"2.5.", "0."}, {"1.5\b", "1."}, {"1.\b.", "1."}};
    for (const auto &[keys, shown] : current)
      QTest::addRow("current %s", qPrintable(QString(keys).replace(u'\b', u'~')))
          << "txtDenryu" << "" << 0 << keys << shown << 0 << shown;
    QTest::newRow("current enter") << "txtDenryu" << "1.5" << 0 << "\r" << "1.5" << 1 << "1.5";
    // The controller keeps 0.1 A steps.
    QTest::newRow("current second decimal") << "txtDenryu" << "" << 0 << "1.23" << "1.2" << 0 << "1.2";
  }

  void entry() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, selected);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    Fixture t;
    Control *c = t.f.find(box);
    c->setText(before);
    QSignalSpy focus(c, &Control::focusNextRequested);
    type(*c, keys, selected);
    QCOMPARE(c->text(), shown);
    QCOMPARE(t.page.DotSeen, shown.contains(u'.'));
    QTEST(int(focus.size()), "focusMoves");
    c->lostFocus();
    QTEST(c->text(), "left");
  }

  void specialBox() {
    Fixture t;
    auto locked = [&t](bool on) {
      for (Control *c : {&t.f.txtPgCheckTimer, &t.f.txtLsSerchTimer, &t.f.comboAutoHome, &t.f.optEmgLogic(0),
                         &t.f.optEmgLogic(1), &t.f.optAlarmAutoClear(0), &t.f.optAlarmAutoClear(1)})
        if (c->isEnabled() == on)
          return false;
      const quint32 back = on ? colors::LightGrey : colors::WindowBackground;
      return t.f.txtPgCheckTimer.backColor() == back && t.f.comboAutoHome.backColor() == back;
    };
    QVERIFY(locked(true));
    ParametaRecord shown = standard28(); // the special group showing other values
    shown.PgCheckTimer = 7; shown.AutoHome = 1; shown.LsSerchTimer = 9; shown.EmgLogic = 0; shown.AlarmAutoClear = 1;
    t.show(shown);
    t.page.TorikomiParametaValue();
    const ParametaRecord &p = t.page.ParametaSet;
    QCOMPARE(QList<int>({p.PgCheckTimer, p.AutoHome, p.LsSerchTimer, p.EmgLogic, p.AlarmAutoClear}),
             QList<int>({125, 0, 0, 1, 0}));

    t.f.chkTokuParaChange.setChecked(true); // answered No
    QCOMPARE(t.dialogs.shown, QStringList{t.msg({671, 672})});
    QVERIFY(!t.f.chkTokuParaChange.isChecked());
    QVERIFY(locked(true));

    t.dialogs.answers << Dialogs::Answer::Yes;
    t.f.chkTokuParaChange.setChecked(true);
    QVERIFY(t.f.chkTokuParaChange.isChecked());
    QVERIFY(locked(false)); // what it then takes in: showAndTakeIn

    t.f.chkTokuParaChange.setChecked(false);
    QCOMPARE(t.dialogs.shown.size(), 2); // unchecking never asks
    QVERIFY(locked(true));
  }

  // EMG LOGIC names A and B in both languages; ALM1 CLEAR keeps its
  // Japanese design captions.
  void optionCaptions_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("English") << 2 << QStringList{"Logic A(1)", "Logic B(0)", "Enable(1)", "Disable(0)"};
    QTest::newRow("Japanese") << 1 << QStringList{u"A接点(1)"_qs, u"B接点(0)"_qs, u"有効"_qs, u"無効"_qs};
  }

  void optionCaptions() {
    PageRig t;
    QFETCH(int, language);
    t.m.useLanguege(qint16(language));
    t.page.mainWindowLoad();
    QTEST((QStringList{t.f.optEmgLogic(0).text(), t.f.optEmgLogic(1).text(), t.f.optAlarmAutoClear(1).text(),
                       t.f.optAlarmAutoClear(0).text()}),
          "captions");
    QVERIFY(!t.f.comboBrake.isEnabled());
    QVERIFY(t.f.comboBrake.items().isEmpty());
  }

  void actuatorSize() {
    Fixture t;
    t.show(standard28());
    t.f.comboActSize.setText("SP");
    t.page.TorikomiParametaValue();
    QCOMPARE(t.page.ParametaSet.ActSize, u"20"_qs);
    QCOMPARE(t.page.ParametaSet.ActCode, u"20L100"_qs);
    QCOMPARE(t.page.DevChoice, (DeviceChoice{"20", "L", 100}));

    t.f.comboActSize.setText("28");
    QCOMPARE(t.f.txtDenryu.text(), u"1.5"_qs);
    QVERIFY(!t.f.txtDenryu.isEnabled());
    t.page.ParametaHyoji(); // ActSize "20"
    QCOMPARE(t.f.comboActSize.text(), u"SP"_qs);
    QCOMPARE(t.page.ParametaSet.ActSize, u"SP"_qs);
    QCOMPARE(t.f.txtDenryu.text(), QString());
    QVERIFY(t.f.txtDenryu.isEnabled());

    t.f.comboActSize.setText("28");
    t.f.comboActSize.setText("SP"); // the current stays, now open to change
    QCOMPARE(t.f.txtDenryu.text(), u"1.5"_qs);
    QVERIFY(t.f.txtDenryu.isEnabled());
  }

  // What the page shows it takes in again (the special group unlocked),
  // pulses above 32767 included.
  void showAndTakeIn() {
    Fixture t;
    t.dialogs.answers << Dialogs::Answer::Yes;
    t.f.chkTokuParaChange.setChecked(true);
    ParametaRecord a = standard28();
    a.Aux02 = a.Aux05 = 1; // fixed by taking in
    a.HomeOffset = 300; a.HomeVel = 12; a.HomeOfsVel = 5; a.AxisPulse = 65535; a.AxisAutoDrv = 1;
    a.PgFunc = 1; a.PgAlarm = 55; a.HomeOut = 1; a.InpLimit = 999; a.PgCheckTimer = 100;
    a.AutoHome = 1; a.LsSerchTimer = 3; a.EmgLogic = 0; a.AlarmAutoClear = 1;
    a.ActSize = "42"; a.ActCode = "42L100";
    ParametaRecord b = a;
    b.AxisPulse = 32768; b.EmgLogic = 1; b.AlarmAutoClear = 0; b.AxisAutoDrv = 0;
    for (const ParametaRecord &p : {a, b}) {
      t.show(p);
      t.page.TorikomiParametaValue();
      QCOMPARE(t.page.ParametaSet, p);
      QCOMPARE(ParametaValueCheck(p), qint16(0));
    }
    QCOMPARE(t.f.txtAxisPulse.text(), u"32768"_qs);

    // Every home output the controller knows has its item; a value without
    // one leaves its list empty, which the blank check stops.
    for (const int out : {2, 3}) {
      ParametaRecord h = b;
      h.HomeOut = qint16(out);
      t.show(h);
      QCOMPARE(t.f.comboHomeOut.listIndex(), out);
      t.page.TorikomiParametaValue();
      QCOMPARE(t.page.ParametaSet, h);
    }
    ParametaRecord c = b;
    c.AxisAutoDrv = 7; c.PgFunc = -1; c.AutoHome = 3;
    t.show(c);
    QStringList shown;
    for (Control *combo : {&t.f.comboAxisAutoDrv, &t.f.comboPgFunc, &t.f.comboAutoHome})
      shown << combo->text() + u'@' + QString::number(combo->listIndex());
    QCOMPARE(shown, (QStringList{"@-1", "@-1", "@-1"}));
    QCOMPARE(t.page.BlankParaCheck(), qint16(1));

    // A pasted number too big for its field is held at the field's limit,
    // so the range check refuses it rather than a wrapped-round value.
    t.f.txtHomeVel.setText("99999");
    t.f.txtAxisPulse.setText("99999999999");
    t.page.TorikomiParametaValue();
    QCOMPARE(t.page.ParametaSet.HomeVel, qint16(32767));
    QCOMPARE(ParametaRangeFailures(t.page.ParametaSet), (QStringList{"HomeVel", "AxisPulse"}));
  }

  void valueCheck_data() {
    QTest::addColumn<ParametaRecord>("p");
    QTest::addColumn<QStringList>("failed");
    using Change = std::function<void(ParametaRecord &)>;
    auto row = [](const char *name, const Change &change, const QStringList &failed) {
      ParametaRecord p = standard28();
      change(p);
      QTest::newRow(name) << p << failed;
    };
    row("standard", [](ParametaRecord &) {}, {});
    row("HomeOffset 0", [](ParametaRecord &p) { p.HomeOffset = 0; }, {"HomeOffset"});
    row("HomeOffset 65536", [](ParametaRecord &p) { p.HomeOffset = 65536; }, {"HomeOffset"});
    row("PgAlarm 0", [](ParametaRecord &p) { p.PgAlarm = 0; }, {});
    row("InpLimit 999", [](ParametaRecord &p) { p.InpLimit = 999; }, {});
    row("Aux10 100 by Aux07 3", [](ParametaRecord &p) { p.Aux07 = 3; p.Aux10 = 100; }, {});
    for (int aux07 : {2, 6, 7, 8, 9})
      row(qPrintable(u"Aux10 180 by Aux07 %1"_qs.arg(aux07)),
          [aux07](ParametaRecord &p) { p.Aux07 = qint16(aux07); p.Aux10 = 180; },
          aux07 >= 7 ? QStringList() : QStringList{"Aux10"});
    row("Aux10 150 by Aux07 6", [](ParametaRecord &p) { p.Aux07 = 6; p.Aux10 = 150; }, {});
    row("Aux10 51 by Aux07 2", [](ParametaRecord &p) { p.Aux10 = 51; }, {"Aux10"});
    row("Aux10 201 by Aux07 8", [](ParametaRecord &p) { p.Aux07 = 8; p.Aux10 = 201; }, {"Aux10"});
    row("Aux10 255 by Aux07 9", [](ParametaRecord &p) { p.Aux07 = 9; p.Aux10 = 255; }, {});
    row("HomeOut 3", [](ParametaRecord &p) { p.HomeOut = 3; }, {});
    row("HomeOut 4", [](ParametaRecord &p) { p.HomeOut = 4; }, {"HomeOut"});
    row("Aux17 262144", [](ParametaRecord &p) { p.Aux17 = 262144; }, {"Aux17"});
    row("three at once", [](ParametaRecord &p) { p.HomeOffset = 0; p.ActType.clear(); p.Reserved[6] = 256; },
        {"HomeOffset", "ActType", "Reserved"});
  }

  void valueCheck() {
    QFETCH(ParametaRecord, p);
    QFETCH(QStringList, failed);
    QCOMPARE(ParametaRangeFailures(p), failed);
    QCOMPARE(ParametaValueCheck(p), qint16(failed.isEmpty() ? 0 : 1));
  }

  // The encoder is in use with PgFunc above 0; it can be chosen on axis kinds 0 and 1.
  void encoderFlagsFromTheList() {
    const std::pair<int, int> kinds[] = {{0, 2}, {1, 0}, {2, 1}, {0, 3}}; // PgFunc, AxisKind
    for (const auto &[pgFunc, axisKind] : kinds) {
      ParametaList a;
      a[13] = pgFunc;
      a[11] = axisKind;
      ParametaRecord p;
      bool use = pgFunc == 0, edit = axisKind > 1;
      CopyParaArray(a, p, use, edit);
      QCOMPARE(use, pgFunc > 0);
      QCOMPARE(edit, axisKind <= 1);
    }
  }

  // Every box and list of the page is needed, the current box aside.
  void blankParaCheck() {
    Fixture t;
    t.show(standard28());
    QStringList needed;
    for (Control *c : t.f.controls()) {
      if (c->kind() == Control::Kind::Text || c->kind() == Control::Kind::Combo) {
        const QString kept = c->text();
        c->setText(QString());
        if (t.page.BlankParaCheck() == 1)
          needed << c->name();
        c->setText(kept);
      }
    }
    needed.sort();
    QCOMPARE(needed, (QStringList{"comboActSize", "comboAutoHome", "comboAxisAutoDrv", "comboHomeOut",
                                  "comboPgFunc", "txtAxisPulse", "txtHomeOffset", "txtHomeOfsVel", "txtHomeVel",
                                  "txtInpLimit", "txtLsSerchTimer", "txtPgAlarm", "txtPgCheckTimer"}));
    for (ControlArray *pair : {&t.f.optEmgLogic, &t.f.optAlarmAutoClear}) {
      (*pair)(0).setChecked(false);
      QCOMPARE(t.page.BlankParaCheck(), qint16(1));
      (*pair)(1).setChecked(true);
    }
    QCOMPARE(t.page.BlankParaCheck(), qint16(0));
  }

  void mainWindowLoad() {
    Fixture t;
    QCOMPARE(t.dialogs.shown, QStringList());
    QCOMPARE(t.f.comboAxisAutoDrv.items(), (QStringList{"0. Drive-ON", "1. Drive-OFF"}));
    QCOMPARE(t.f.comboPgFunc.items(), (QStringList{"0. No-Encorder", "1. With Encorder"}));
    QCOMPARE(t.f.comboHomeOut.items(), (QStringList{"0. OUT-OFF", "1. OUT-ON", "2. OUT2-ON", "3. OUT1,2-ON"}));
    QCOMPARE(t.f.comboAutoHome.items(), (QStringList{"0. Disable", "1. Enable"}));
    QCOMPARE(t.f.comboActSize.items(), (QStringList{"28", "35", "42", "SP"}));
    QCOMPARE(t.f.comboActSize.text(), QString());
    QCOMPARE(t.f.SSTabPrm.tabCaption(0) + t.f.SSTabPrm.tabCaption(1), u"FILECONTROLLER"_qs);
  }

  void iniPrm_data() {
    QTest::addColumn<QString>("stdList");   // null: no file
    QTest::addColumn<QString>("shownSize"); // on the page before
    QTest::addColumn<bool>("encoderBefore");
    QTest::addColumn<QString>("how"); // "cancel", "close" or the size set
    QTest::addColumn<bool>("encoder");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("first"); // the message before 36; 0: none
    auto taken = [](const char *name, const char *shownSize, bool encoderBefore, const char *size, bool encoder) {
      QTest::newRow(name) << StdList << QString(shownSize) << encoderBefore << QString(size) << encoder << true << 0;
    };
    auto refused = [](const char *name, const char *how, const QString &list = StdList, int first = 0) {
      QTest::newRow(name) << list << u"28"_qs << false << QString(how) << false << false << first;
    };
    auto edited = [](const QString &from, const QString &to) { return QString(StdList).replace(from, to); };
    taken("42", "", false, "42", false);
    taken("42 with encoder", "35", false, "42", true);
    taken("SP", "42", true, "SP", false);
    refused("cancel", "cancel");
    refused("close box", "close");
    refused("E35", "E35"); // a size a parameter file may deliver; ActCode too long
    refused("second section PG", "35", edited("\"ETC\"", "\"PG\""), 28);
    refused("standard list missing", "35", QString(), 28);
    refused("other model", "35", edited("ZT-M5", "ZT-M4"), 27);
    refused("4 items a record", "35", edited("\"ETC\",8,2", "\"ETC\",8,4"), 28);
    refused("22 records", "35", edited("\"SPECIAL\",6,2", "\"SPECIAL\",12,1"), 28);
    refused("no encoder column", "35",
            edited("\"PG\",2,3\r\n13,0,1\r\n14,100,250", "\"PG\",2,2\r\n13,0\r\n14,100"), 28);
    refused("cut short", "35", StdList.left(StdList.size() - 8), 28);
  }

  // cmdIniPrm from the button to the page, the commands locked meanwhile.
  void iniPrm() {
    QFETCH(QString, stdList);
    QFETCH(QString, shownSize);
    QFETCH(bool, encoderBefore);
    QFETCH(QString, how);
    QFETCH(bool, encoder);
    QFETCH(bool, taken);
    QFETCH(int, first);
    Fixture t;
    t.write(stdlists::StdParaListFile, stdList);
    t.f.form.left = 1200; t.f.form.top = 800;
    ParametaRecord before = standard28();
    before.HomeOffset = 500; before.ActSize = shownSize;
    t.show(before);
    t.f.txtDenryu.setText("0.7");
    t.page.DevPgUse = encoderBefore;
    t.page.document.setEdited(false); // nothing to offer for saving first
    const QStringList beforeTexts = t.pageTexts();
    t.iniPrm([&] { t.d.cmdDeviceCancel.click(); }); // the next load starts afresh
    const QStringList locking{"cmdIniPrm", "cmdParaWrite", "cmdFileOpen", "txtGEAR", "mnuView", "mnuFileOpen"};
    QStringList lockedWhileOpen;
    t.iniPrm([&] {
      for (const QString &name : locking)
        if (!t.f.find(name)->isEffectivelyEnabled())
          lockedWhileOpen << name;
      QCOMPARE(QList<int>({t.d.form.left, t.d.form.top}), QList<int>({1700, 1300}));
      QCOMPARE(t.d.form.text() + u'/' + t.d.cmdDeviceCancel.text(), u"Select Device/Cancel"_qs);
      QCOMPARE(t.d.comboDeviceSize.items(), (QStringList{"28", "35", "42", "SP"}));
      QCOMPARE(t.d.comboDeviceSize.text(), shownSize.isEmpty() ? u"28"_qs : shownSize);
      QCOMPARE(t.d.chkDevPgUse.isChecked(), encoderBefore);
      QVERIFY(t.d.chkDevPgUse.isEnabled());
      t.d.comboDeviceSize.setText(how == u"cancel" || how == u"close" ? u"35"_qs : how);
      t.d.chkDevPgUse.setChecked(encoder);
      if (how == u"close")
        t.d.requestClose();
      else
        (how == u"cancel" ? t.d.cmdDeviceCancel : t.d.cmdDeviceSet).click();
    });
    QCOMPARE(lockedWhileOpen, locking);
    QVERIFY(!t.d.form.isVisible());
    QVERIFY(!t.page.frmDeviceDialog.Cancelled());
    QStringList shown;
    if (first)
      shown << (first == 28 ? t.msg({28, 29}) : t.msg({first})) << t.msg({36});
    QCOMPARE(t.dialogs.shown, shown);
    for (Control *c : t.f.commandButtons() + t.f.menus() + t.f.parameterButtons())
      QVERIFY2(c->isEnabled(), qPrintable(c->name()));
    QVERIFY(t.f.SSTab1.isTabEnabled(0));
    if (!taken) {
      QCOMPARE(t.page.ParametaSet, before);
      QCOMPARE(t.pageTexts(), beforeTexts);
      return;
    }
    ParametaRecord expected = standard28();
    expected.ActCode = how + u"L100"_qs;
    expected.ActSize = how;
    expected.PgFunc = encoder ? 1 : 0;
    expected.PgAlarm = encoder ? 250 : 100;
    expected.HomeOut = 1; expected.Aux17 = 7; expected.Aux18 = 8; expected.InpLimit = 12;
    QCOMPARE(t.page.ParametaSet, expected);
    QCOMPARE(t.f.txtHomeOffset.text() + u' ' + t.f.txtAxisPulse.text() + u' ' + t.f.txtPgAlarm.text(),
             encoder ? u"30 400 250"_qs : u"30 400 100"_qs);
    QCOMPARE(t.f.comboPgFunc.listIndex(), encoder ? 1 : 0);
    QCOMPARE(t.f.comboActSize.text(), how);
    QCOMPARE(t.f.txtDenryu.text(), how == u"SP" ? QString() : u"1.2"_qs);
    QCOMPARE(t.f.txtDenryu.isEnabled(), how == u"SP");
  }

  void deviceList_data() {
    QTest::addColumn<QString>("text"); // null: no file
    QTest::newRow("missing") << QString();
    QTest::newRow("short record") << u"2\r\n\"28 L-100\",1,2,3,4\r\n\"35 L-100\",1,2\r\n"_qs;
    QTest::newRow("count not a number") << u"\"x\"\r\n"_qs;
    QTest::newRow("71 records") << u"71\r\n"_qs + u"\"28 L-100\",1,2,3,4\r\n"_qs.repeated(71);
    QString sizes = u"7\r\n"_qs;
    for (int i = 0; i < 7; ++i)
      sizes += QStringLiteral("\"%1 L-100\",1,2,3,4\r\n").arg(20 + i);
    QTest::newRow("7 sizes") << sizes;
    // A model number beyond 16 bits is as malformed as a missing item.
    QTest::newRow("model number 9e9") << u"1\r\n\"28 L-9e9\",1,2,3,4\r\n"_qs;
    QTest::newRow("larger than any list") << u"1\r\n\"28 L-100\",1,2,3,4\r\n"_qs + QString(1 << 20, u' ');
  }

  // A good list read at load, then a defective one: the message, and the
  // list read before stays.
  void deviceList() {
    QFETCH(QString, text);
    Fixture t;
    QCOMPARE(t.page.DevSizes, (QStringList{"28 ", "35 "}));
    QCOMPARE(t.page.FindDevSize("35 "), qint16(0));
    QCOMPARE(t.page.FindDevSize("42 "), qint16(1));

    t.write(stdlists::DevListFile, text);
    QCOMPARE(t.page.ReadDevList(), qint16(1));
    QCOMPARE(t.dialogs.shown, QStringList{t.msg({15, 16})});
    QCOMPARE(t.page.DevSizes, (QStringList{"28 ", "35 "}));
    QCOMPARE(t.page.FindDevSize("28 "), qint16(1));
    QCOMPARE(t.dialogs.last(), t.msg({15}));
  }

  void shippedLists_data() {
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("encoder");
    for (const char *size : {"28", "35", "42", "SP"})
      for (bool encoder : {false, true})
        QTest::addRow("%s%s", size, encoder ? " with encoder" : "") << size << encoder;
  }

  // The lists beside the program give, for every size, what the controller
  // takes; size 28 what the controller simulator starts with.
  void shippedLists() {
    QFETCH(QString, size);
    QFETCH(bool, encoder);
    Fixture t(true);
    QCOMPARE(t.page.DevSizes, (QStringList{"28 ", "35 ", "42 ", "SP "}));
    t.page.DevChoice = {size, "L", 100};
    t.page.DevPgUse = encoder;
    QCOMPARE(t.page.LoadStdPara(), qint16(0));
    QCOMPARE(t.dialogs.shown, QStringList());
    ParametaRecord expected = standard28();
    expected.ActCode = size + u"L100"_qs;
    expected.ActSize = size;
    expected.PgFunc = encoder ? 1 : 0;
    QCOMPARE(t.page.ParametaSet, expected);
    QCOMPARE(ParametaValueCheck(expected), qint16(0));
  }
};

QTEST_GUILESS_MAIN(tst_Params)
#include "tst_params.moc"
