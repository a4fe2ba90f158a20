#include "entryrules.h"
#include "fakedialogs.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "module1.h"
#include "parameterpage.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString DevList3 = u"3\r\n\"28 L-100\",\"a\",1,2,3\r\n\"28 D-101\",\"b\",1,2,3\r\n"
                         u"\"35 L-100\",\"c\",1,2,3\r\n"_qs;
// The encoder column differs from the plain one so that the choice shows.
const QString StdList = u"\"ZT-M5\",\"ZT-CMNPRM\",3\r\n\"PG\",2,3\r\n13,0,1\r\n14,100,250\r\n"
                        u"\"ETC\",8,2\r\n15,1\r\n16,0\r\n17,7\r\n18,8\r\n19,12\r\n20,10\r\n21,0\r\n"
                        u"22,0\r\n\"SPECIAL\",6,2\r\n23,125\r\n24,0\r\n25,0\r\n26,1\r\n27,0\r\n28,0\r\n"_qs;

// The standard parameters of a size-28 actuator, as the simulator starts.
ParametaRecord standard28() {
  ParametaRecord p;
  p.HomeOffset = 30; p.Aux02 = 30; p.HomeVel = 10; p.HomeOfsVel = 10; p.Aux05 = 10;
  p.Aux06 = 65535; p.Aux07 = 2; p.AxisPulse = 400; p.Aux10 = 20; p.AxisKind = 2;
  p.ActCode = "28L100"; p.PgAlarm = 100; p.InpLimit = 10; p.Aux20 = 10; p.PgCheckTimer = 125;
  p.EmgLogic = 1; p.ActSize = "28"; p.ActType = "L"; p.ActModelNo = 100;
  return p;
}

// Keys as the widget delivers them: a key let through replaces a whole
// selection or is appended; backspace removes the last character.
void type(Control &box, const QString &keys, bool wholeSelected = false) {
  for (QChar ch : keys) {
    box.selLength = wholeSelected ? int(box.text().size()) : 0;
    const int key = box.keyPress(ch.unicode());
    if (key == 0)
      continue;
    const QString base = wholeSelected ? QString() : box.text();
    box.setText(key == entry::KeyBack ? base.left(base.size() - 1) : base + QChar(key));
    wholeSelected = false;
  }
}

} // namespace

// The windows in English, a loaded page on them and its lists in a folder
// of their own.
struct Fixture {
  Module1 m;
  FrmMain f;
  FrmDevice d;
  FakeDialogs dialogs;
  ParameterPage page{m, f, d, dialogs};
  QTemporaryDir dir;

  Fixture() {
    m.Languege = 2;
    m.LangBase = 10000;
    page.listFolder = dir.path();
    write(stdlists::DevListFile, DevList3);
    write(stdlists::StdParaListFile, StdList);
    page.mainWindowLoad();
  }
  void write(const char *name, const QString &text) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (text.isNull())
      file.remove();
    else if (file.open(QIODevice::WriteOnly))
      file.write(text.toUtf8());
  }
  QString msg(std::initializer_list<int> ns) const { return m.messages().joined(ns); }
  void show(const ParametaRecord &p) {
    page.ParametaSet = p;
    page.ParametaHyoji();
  }
  void unlockSpecial() {
    dialogs.answers << Dialogs::Answer::Yes;
    f.chkTokuParaChange.setChecked(true);
  }
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
  QStringList pageTexts() {
    QStringList out;
    for (Control *c : f.controls())
      if (c->kind() == Control::Kind::Text || c->kind() == Control::Kind::Combo)
        out << c->name() + u'=' + c->text();
    return out;
  }
};

class tst_Params : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }
  void keyFilters_data();
  void keyFilters();
  void typingStopsAtTheLimit();
  void leaveRules_data();
  void leaveRules();
  void currentBox_data();
  void currentBox();
  void specialBox();
  void actuatorSize();
  void showAndTakeIn();
  void oversizedValueFailsTheCheck();
  void valueCheck_data();
  void valueCheck();
  void copyParaArray();
  void blankParaCheck();
  void mainWindowLoad();
  void standardParameters_data();
  void standardParameters();
  void deviceDialogLoad();
  void cancelChangesNothing_data();
  void cancelChangesNothing();
  void deviceList_data();
  void deviceList();
  void defectiveStandardList_data();
  void defectiveStandardList();
  void shippedLists_data();
  void shippedLists();
};

void tst_Params::keyFilters_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("selLength");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("passed");
  QTest::addColumn<bool>("focusMoves");
  // Each box and its longest entry.
  const QList<std::pair<const char *, int>> longest{
      {"txtHomeOffset", 5}, {"txtHomeVel", 2},  {"txtHomeOfsVel", 2},   {"txtAxisPulse", 5},
      {"txtPgAlarm", 5},    {"txtInpLimit", 3}, {"txtPgCheckTimer", 3}, {"txtLsSerchTimer", 3}};
  for (const auto &[box, n] : longest) {
    const QString below(n - 1, u'1'), full(n, u'1');
    QTest::addRow("%s last digit", box) << box << below << 0 << int('7') << int('7') << false;
    QTest::addRow("%s full", box) << box << full << 0 << int('7') << 0 << false;
    QTest::addRow("%s full, selected", box) << box << full << n << int('7') << int('7') << false;
    QTest::addRow("%s enter", box) << box << below << 0 << 13 << 0 << true;
    QTest::addRow("%s enter when full", box) << box << full << 0 << 13 << 0 << false;
    QTest::addRow("%s backspace when full", box) << box << full << 0 << 8 << 8 << false;
    QTest::addRow("%s point", box) << box << QString() << 0 << int('.') << 0 << false;
  }
  QTest::newRow("part selected") << "txtHomeOffset" << "12345" << 2 << int('7') << 0 << false;
  QTest::newRow("letter") << "txtAxisPulse" << "" << 0 << int('a') << 0 << false;
  QTest::newRow("current point") << "txtDenryu" << "" << 0 << 46 << 46 << false;
  QTest::newRow("current second point") << "txtDenryu" << "1." << 0 << 46 << 0 << false;
  QTest::newRow("current digit") << "txtDenryu" << "1." << 0 << int('5') << int('5') << false;
  QTest::newRow("current letter") << "txtDenryu" << "1" << 0 << int('x') << 0 << false;
  QTest::newRow("current enter") << "txtDenryu" << "1.5" << 0 << 13 << 0 << true;
  QTest::newRow("current backspace") << "txtDenryu" << "1.5" << 0 << 8 << 8 << false;
  QTest::newRow("current 20 characters")
      << "txtDenryu" << "0.000000000000000001" << 0 << int('1') << int('1') << false;
  QTest::newRow("current 21 characters")
      << "txtDenryu" << "0.0000000000000000001" << 0 << int('1') << 0 << false;
}

void tst_Params::keyFilters() {
  QFETCH(QString, box);
  QFETCH(QString, text);
  QFETCH(int, selLength);
  QFETCH(int, key);
  QFETCH(int, passed);
  QFETCH(bool, focusMoves);
  Fixture t;
  Control *c = t.f.find(box);
  c->setText(text);
  QCOMPARE(c->text(), text);
  QSignalSpy focus(c, &Control::focusNextRequested);
  c->selLength = selLength;
  QCOMPARE(c->keyPress(key), passed);
  QCOMPARE(focus.size(), focusMoves ? 1 : 0);
}

void tst_Params::typingStopsAtTheLimit() {
  Fixture t;
  type(t.f.txtHomeOffset, "123456");
  QCOMPARE(t.f.txtHomeOffset.text(), u"12345"_qs);
  type(t.f.txtHomeOffset, "6", true);
  QCOMPARE(t.f.txtHomeOffset.text(), u"6"_qs);
}

void tst_Params::leaveRules_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("left");
  QTest::newRow("leading zeros") << "txtAxisPulse" << "0070" << "70";
  QTest::newRow("zero stays") << "txtAxisPulse" << "0" << "0";
  QTest::newRow("empty reads zero") << "txtPgAlarm" << "" << "0";
  QTest::newRow("in-position") << "txtInpLimit" << "010" << "10";
  QTest::newRow("pg timer") << "txtPgCheckTimer" << "00" << "0";
  QTest::newRow("ls timer") << "txtLsSerchTimer" << "007" << "7";
  QTest::newRow("home vel zero empties") << "txtHomeVel" << "0" << "";
  QTest::newRow("home ofsvel zeros empty") << "txtHomeOfsVel" << "00" << "";
  QTest::newRow("home offset empty stays") << "txtHomeOffset" << "" << "";
  QTest::newRow("home offset value") << "txtHomeOffset" << "0300" << "300";
}

void tst_Params::leaveRules() {
  QFETCH(QString, box);
  QFETCH(QString, text);
  QFETCH(QString, left);
  Fixture t;
  Control *c = t.f.find(box);
  c->setText(text);
  c->lostFocus();
  QCOMPARE(c->text(), left);
  QCOMPARE(t.page.EditText, left);
}

void tst_Params::currentBox_data() {
  QTest::addColumn<QString>("keys");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<bool>("dotSeen");
  QTest::newRow("point") << "." << "0." << true;
  QTest::newRow("second point refused") << ".." << "0." << true;
  QTest::newRow("point, digit, point") << ".5." << "0.5" << true;
  QTest::newRow("above 2 empties") << "2.5" << "" << false;
  QTest::newRow("2.0 stays") << "2.0" << "2.0" << true;
  QTest::newRow("point after emptying") << "2.5." << "0." << true;
  QTest::newRow("point removed, point again") << "1.\b." << "1." << true;
}

void tst_Params::currentBox() {
  QFETCH(QString, keys);
  QFETCH(QString, shown);
  QFETCH(bool, dotSeen);
  Fixture t;
  type(t.f.txtDenryu, keys);
  QCOMPARE(t.f.txtDenryu.text(), shown);
  QCOMPARE(t.page.DotSeen, dotSeen);
}

void tst_Params::specialBox() {
  Fixture t;
  const QList<Control *> special{&t.f.txtPgCheckTimer, &t.f.txtLsSerchTimer, &t.f.comboAutoHome,
                                 &t.f.optEmgLogic(0), &t.f.optEmgLogic(1),
                                 &t.f.optAlarmAutoClear(0), &t.f.optAlarmAutoClear(1)};
  auto locked = [&](bool on) {
    for (Control *c : special)
      if (c->isEnabled() == on)
        return false;
    const quint32 back = on ? colors::LightGrey : colors::WindowBackground;
    return t.f.txtPgCheckTimer.backColor() == back && t.f.comboAutoHome.backColor() == back;
  };
  t.show(standard28());
  t.f.txtPgCheckTimer.setText("7");
  t.f.comboAutoHome.setListIndex(1);
  t.f.txtLsSerchTimer.setText("9");
  t.f.optEmgLogic(1).setChecked(true);
  t.f.optAlarmAutoClear(1).setChecked(true);
  const ParametaRecord &p = t.page.ParametaSet;
  auto special5 = [&p] {
    return QList<int>{p.PgCheckTimer, p.AutoHome, p.LsSerchTimer, p.EmgLogic, p.AlarmAutoClear};
  };
  t.page.TorikomiParametaValue();
  QCOMPARE(special5(), QList<int>({125, 0, 0, 1, 0}));

  t.f.chkTokuParaChange.setChecked(true); // answered No
  QCOMPARE(t.dialogs.shown, QStringList{t.msg({671, 672})});
  QVERIFY(!t.f.chkTokuParaChange.isChecked());
  QVERIFY(locked(true));

  t.unlockSpecial();
  QVERIFY(t.f.chkTokuParaChange.isChecked());
  QVERIFY(locked(false));
  t.page.TorikomiParametaValue();
  QCOMPARE(special5(), QList<int>({7, 1, 9, 0, 1}));

  t.f.chkTokuParaChange.setChecked(false);
  QCOMPARE(t.dialogs.shown.size(), 2); // unchecking never asks
  QVERIFY(locked(true));
}

void tst_Params::actuatorSize() {
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
void tst_Params::showAndTakeIn() {
  Fixture t;
  t.unlockSpecial();
  ParametaRecord a = standard28();
  a.Aux02 = 1; // fixed by taking in
  a.Aux05 = 1;
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

  // A value without a list item shows as its number and takes in as 0.
  ParametaRecord c = b;
  c.HomeOut = 2; c.AxisAutoDrv = 7; c.PgFunc = -1; c.AutoHome = 3;
  t.show(c);
  QStringList shown;
  for (Control *combo : {&t.f.comboHomeOut, &t.f.comboAxisAutoDrv, &t.f.comboPgFunc,
                         &t.f.comboAutoHome})
    shown << combo->text() + u'@' + QString::number(combo->listIndex());
  QCOMPARE(shown, (QStringList{"2@-1", "7@-1", "-1@-1", "3@-1"}));
  t.page.TorikomiParametaValue();
  c.HomeOut = c.AxisAutoDrv = c.PgFunc = c.AutoHome = 0;
  QCOMPARE(t.page.ParametaSet, c);
}

// A pasted number too big for its field is held at the field's limit, so
// the range check refuses it rather than a wrapped-round value passing.
void tst_Params::oversizedValueFailsTheCheck() {
  Fixture t;
  t.show(standard28());
  t.f.txtHomeVel.setText("99999");
  t.f.txtAxisPulse.setText("99999999999");
  t.page.TorikomiParametaValue();
  QCOMPARE(t.page.ParametaSet.HomeVel, qint16(32767));
  QCOMPARE(ParametaRangeFailures(t.page.ParametaSet), (QStringList{"HomeVel", "AxisPulse"}));
}

void tst_Params::valueCheck_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("aux07");
  QTest::addColumn<QStringList>("failed");
  const QStringList none;
  QTest::newRow("standard") << "" << 0 << 2 << none;
  QTest::newRow("HomeOffset 0") << "HomeOffset" << 0 << 2 << QStringList{"HomeOffset"};
  QTest::newRow("HomeOffset 65536") << "HomeOffset" << 65536 << 2 << QStringList{"HomeOffset"};
  QTest::newRow("PgAlarm 0") << "PgAlarm" << 0 << 2 << none;
  for (int aux07 : {2, 3, 6, 7, 8, 9})
    QTest::addRow("Aux10 180 by Aux07 %d", aux07)
        << "Aux10" << 180 << aux07 << (aux07 >= 7 ? none : QStringList{"Aux10"});
  QTest::newRow("Aux10 150 by Aux07 6") << "Aux10" << 150 << 6 << none;
  QTest::newRow("Aux10 51 by Aux07 2") << "Aux10" << 51 << 2 << QStringList{"Aux10"};
  QTest::newRow("Aux10 201 by Aux07 8") << "Aux10" << 201 << 8 << QStringList{"Aux10"};
  QTest::newRow("Aux10 255 by Aux07 9") << "Aux10" << 255 << 9 << none;
  QTest::newRow("HomeOut 3") << "HomeOut" << 3 << 2 << none;
  QTest::newRow("HomeOut 4") << "HomeOut" << 4 << 2 << QStringList{"HomeOut"};
  QTest::newRow("Aux17 262144") << "Aux17" << 262144 << 2 << QStringList{"Aux17"};
  // Every rule is evaluated.
  QTest::newRow("three at once")
      << "three" << 0 << 2 << QStringList{"HomeOffset", "ActType", "Reserved"};
}

void tst_Params::valueCheck() {
  QFETCH(QString, field);
  QFETCH(int, value);
  QFETCH(int, aux07);
  QFETCH(QStringList, failed);
  ParametaRecord p = standard28();
  p.Aux07 = qint16(aux07);
  const QHash<QString, std::function<void()>> set{
      {"HomeOffset", [&] { p.HomeOffset = value; }},
      {"PgAlarm", [&] { p.PgAlarm = value; }},
      {"Aux10", [&] { p.Aux10 = qint16(value); }},
      {"HomeOut", [&] { p.HomeOut = qint16(value); }},
      {"Aux17", [&] { p.Aux17 = value; }},
      {"three", [&] { p.HomeOffset = 0; p.ActType.clear(); p.Reserved[6] = 256; }}};
  if (!field.isEmpty())
    set.value(field)();
  QCOMPARE(ParametaRangeFailures(p), failed);
  QCOMPARE(ParametaValueCheck(p), qint16(failed.isEmpty() ? 0 : 1));
}

void tst_Params::copyParaArray() {
  ParametaList a;
  a.fill(QString()); // as before a read
  const QList<std::pair<int, QVariant>> values{
      {1, 300}, {6, 262143}, {8, 65535}, {12, "42L100"}, {31, 9}, {37, "42"}, {38, "L"}, {39, 100}};
  for (const auto &[n, v] : values)
    a[n] = v;
  const std::pair<int, int> kinds[] = {{0, 2}, {1, 0}, {2, 1}, {0, 3}}; // PgFunc, AxisKind
  for (const auto &[pgFunc, axisKind] : kinds) {
    a[13] = pgFunc;
    a[11] = axisKind;
    ParametaRecord p;
    p.Aux02 = 99;
    bool use = pgFunc == 0, edit = axisKind > 1;
    CopyParaArray(a, p, use, edit);
    QCOMPARE(use, pgFunc > 0);
    QCOMPARE(edit, axisKind <= 1);
    QCOMPARE(QList<double>({p.HomeOffset, p.Aux06, double(p.AxisPulse), double(p.Aux02),
                            double(p.Reserved[2]), double(p.ActModelNo)}),
             QList<double>({300, 262143, 65535, 0, 9, 100}));
    QCOMPARE(p.ActCode + p.ActSize + p.ActType, u"42L10042L"_qs);
  }
}

void tst_Params::blankParaCheck() {
  Fixture t;
  t.show(standard28());
  t.f.txtDenryu.setText(QString()); // not looked at
  QCOMPARE(t.page.BlankParaCheck(), qint16(0));
  for (const char *name :
       {"txtHomeOffset", "txtHomeVel", "txtHomeOfsVel", "txtAxisPulse", "comboAxisAutoDrv",
        "comboActSize", "comboPgFunc", "txtPgAlarm", "comboHomeOut", "txtInpLimit",
        "txtPgCheckTimer", "comboAutoHome", "txtLsSerchTimer"}) {
    Control *c = t.f.find(name);
    const QString kept = c->text();
    c->setText(QString());
    QVERIFY2(t.page.BlankParaCheck() == 1, name);
    c->setText(kept);
  }
  for (ControlArray *pair : {&t.f.optEmgLogic, &t.f.optAlarmAutoClear}) {
    (*pair)(0).setChecked(false);
    QCOMPARE(t.page.BlankParaCheck(), qint16(1));
    (*pair)(1).setChecked(true);
  }
  QCOMPARE(t.page.BlankParaCheck(), qint16(0));
}

void tst_Params::mainWindowLoad() {
  Fixture t;
  QCOMPARE(t.dialogs.shown, QStringList());
  const QList<std::pair<Control *, QStringList>> lists{
      {&t.f.comboAxisAutoDrv, {"0. Drive-ON", "1. Drive-OFF"}},
      {&t.f.comboPgFunc, {"0. No-Encorder", "1. With Encorder"}},
      {&t.f.comboHomeOut, {"0. OUT-OFF", "1. OUT-ON"}},
      {&t.f.comboAutoHome, {"0. Disable", "1. Enable"}},
      {&t.f.comboActSize, {"28", "35", "42", "SP"}}};
  for (const auto &[combo, items] : lists) {
    QCOMPARE(combo->items(), items);
    for (int i = 0; i < items.size(); ++i)
      QCOMPARE(combo->itemData(i), i);
  }
  QCOMPARE(t.f.comboActSize.text(), QString());
  for (Control *c : {&t.f.txtPgCheckTimer, &t.f.txtLsSerchTimer, &t.f.comboAutoHome}) {
    QVERIFY(!c->isEnabled());
    QCOMPARE(c->backColor(), colors::LightGrey);
  }
  QCOMPARE(t.f.SSTabPrm.tabCaption(0) + t.f.SSTabPrm.tabCaption(1), u"FILECONTROLLER"_qs);
}

void tst_Params::standardParameters_data() {
  QTest::addColumn<QString>("size");
  QTest::addColumn<bool>("encoder");
  QTest::addColumn<int>("pgFunc");
  QTest::addColumn<int>("pgAlarm");
  QTest::addColumn<QString>("current");
  QTest::newRow("42") << "42" << false << 0 << 100 << "1.2";
  QTest::newRow("42 with encoder") << "42" << true << 1 << 250 << "1.2";
  QTest::newRow("SP") << "SP" << false << 0 << 100 << "";
}

// cmdIniPrm from the button to the page, the commands locked meanwhile.
void tst_Params::standardParameters() {
  QFETCH(QString, size);
  QFETCH(bool, encoder);
  QFETCH(int, pgFunc);
  QFETCH(int, pgAlarm);
  QFETCH(QString, current);
  Fixture t;
  t.f.txtDenryu.setText("0.7");
  QStringList lockedWhileOpen;
  t.iniPrm([&] {
    for (Control *c : {&t.f.cmdIniPrm, &t.f.cmdParaWrite, &t.f.cmdFileOpen, &t.f.txtGEAR,
                       &t.f.mnuView, &t.f.mnuFileOpen})
      if (!c->isEffectivelyEnabled())
        lockedWhileOpen << c->name();
    t.d.comboDeviceSize.setText(size);
    t.d.chkDevPgUse.setChecked(encoder);
    t.d.cmdDeviceSet.click();
  });
  QCOMPARE(lockedWhileOpen, (QStringList{"cmdIniPrm", "cmdParaWrite", "cmdFileOpen", "txtGEAR",
                                         "mnuView", "mnuFileOpen"}));
  QVERIFY(!t.d.form.isVisible());
  QCOMPARE(t.dialogs.shown, QStringList());

  const ParametaRecord &p = t.page.ParametaSet;
  QCOMPARE(p.ActCode + u' ' + p.ActSize + u' ' + p.ActType, size + u"L100 "_qs + size + u" L"_qs);
  QCOMPARE(QList<double>({p.HomeOffset, double(p.HomeVel), double(p.HomeOfsVel),
                          double(p.AxisPulse), double(p.AxisAutoDrv), double(p.ActModelNo),
                          double(p.PgFunc), p.PgAlarm, double(p.HomeOut), p.Aux17, p.Aux18,
                          double(p.InpLimit)}),
           QList<double>({30, 10, 10, 400, 0, 100, double(pgFunc), double(pgAlarm), 1, 7, 8, 12}));

  QCOMPARE(t.f.txtHomeOffset.text() + u' ' + t.f.txtAxisPulse.text() + u' ' + t.f.txtPgAlarm.text(),
           u"30 400 "_qs + QString::number(pgAlarm));
  QCOMPARE(t.f.comboPgFunc.listIndex(), pgFunc);
  QCOMPARE(t.f.comboActSize.text(), size);
  QCOMPARE(t.f.txtDenryu.text(), current);
  QCOMPARE(t.f.txtDenryu.isEnabled(), size == u"SP");
  for (Control *c : t.f.commandButtons() + t.f.menus() + t.f.parameterButtons())
    QVERIFY2(c->isEnabled(), qPrintable(c->name()));
  QVERIFY(t.f.SSTab1.isTabEnabled(0));
}

void tst_Params::deviceDialogLoad() {
  Fixture t;
  t.f.form.left = 1200;
  t.f.form.top = 800;
  t.page.DevPgUse = true;
  t.f.comboActSize.setText("35");
  t.iniPrm([&] {
    QCOMPARE(QList<int>({t.d.form.left, t.d.form.top}), QList<int>({1700, 1300}));
    QCOMPARE(t.d.form.text() + u'/' + t.d.cmdDeviceCancel.text(), u"Select Device/Cancel"_qs);
    QCOMPARE(t.d.comboDeviceSize.items(), (QStringList{"28", "35", "42", "SP"}));
    QCOMPARE(t.d.comboDeviceSize.text(), u"35"_qs);
    QVERIFY(t.d.chkDevPgUse.isChecked());
    QVERIFY(t.d.chkDevPgUse.isEnabled());
  });
  t.f.comboActSize.setText(QString()); // an empty size offers 28
  t.iniPrm([&] {
    QCOMPARE(t.d.comboDeviceSize.items().size(), 4);
    QCOMPARE(t.d.comboDeviceSize.text(), u"28"_qs);
  });
}

void tst_Params::cancelChangesNothing_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("cancel") << "cancel";
  QTest::newRow("close box") << "close";
  // Such a size (a parameter file may deliver it) makes ActCode too long.
  QTest::newRow("OK with E35") << "E35";
}

void tst_Params::cancelChangesNothing() {
  QFETCH(QString, how);
  Fixture t;
  ParametaRecord p = standard28();
  p.HomeOffset = 500;
  t.show(p);
  t.page.DevChoice = {"42", "L", 100}; // a choice made before
  const QStringList before = t.pageTexts();
  t.iniPrm([&] {
    t.d.comboDeviceSize.setText(how == u"E35" ? how : u"35"_qs);
    if (how == u"close")
      t.d.requestClose();
    else
      (how == u"cancel" ? t.d.cmdDeviceCancel : t.d.cmdDeviceSet).click();
  });
  QVERIFY(!t.d.form.isVisible());
  QCOMPARE(t.page.ParametaSet, p);
  QCOMPARE(t.pageTexts(), before);
  QVERIFY(!t.page.frmDeviceDialog.Cancelled());
  QCOMPARE(t.dialogs.shown, QStringList());
  QVERIFY(t.f.cmdIniPrm.isEnabled());
}

void tst_Params::deviceList_data() {
  QTest::addColumn<QString>("text"); // null: no file
  QTest::newRow("missing") << QString();
  QTest::newRow("short record") << u"2\r\n\"28 L-100\",1,2,3,4\r\n\"35 L-100\",1,2\r\n"_qs;
  QTest::newRow("count not a number") << u"\"x\"\r\n"_qs;
  QString many = u"71\r\n"_qs, sizes = u"7\r\n"_qs;
  for (int i = 0; i < 71; ++i)
    many += u"\"28 L-100\",1,2,3,4\r\n"_qs;
  for (int i = 0; i < 7; ++i)
    sizes += QStringLiteral("\"%1 L-100\",1,2,3,4\r\n").arg(20 + i);
  QTest::newRow("71 records") << many;
  QTest::newRow("7 sizes") << sizes;
}

// A good list read at load, then a defective one: the message, and the
// list read before stays.
void tst_Params::deviceList() {
  QFETCH(QString, text);
  Fixture t;
  QCOMPARE(t.page.DevSizes, (QStringList{"28 ", "35 "}));
  QCOMPARE(t.page.DevSizeLast, 1);
  QCOMPARE(t.page.DevCount, 3);
  const stdlists::DevRecord &r = t.page.DevList.at(1);
  QCOMPARE(r.typeLetter + QString::number(r.modelNo) + r.further.join(u','), u"D101b,1,2,3"_qs);
  QCOMPARE(t.page.FindDevSize("35 "), qint16(0));
  QCOMPARE(t.page.FindDevSize("42 "), qint16(1));

  t.write(stdlists::DevListFile, text);
  QCOMPARE(t.page.ReadDevList(), qint16(1));
  QCOMPARE(t.dialogs.shown, QStringList{t.msg({15, 16})});
  QCOMPARE(t.page.DevSizes, (QStringList{"28 ", "35 "}));
  QCOMPARE(t.page.DevCount, 3);
  QCOMPARE(t.page.FindDevSize("28 "), qint16(1));
  QCOMPARE(t.dialogs.last(), t.msg({15}));
}

void tst_Params::defectiveStandardList_data() {
  QTest::addColumn<QString>("text"); // null: no file
  QTest::addColumn<int>("first");    // the message before 36
  auto edited = [](const QString &from, const QString &to) {
    return QString(StdList).replace(from, to);
  };
  QTest::newRow("second section PG") << edited("\"ETC\"", "\"PG\"") << 28;
  QTest::newRow("missing") << QString() << 28;
  QTest::newRow("other model") << edited("ZT-M5", "ZT-M4") << 27;
  QTest::newRow("4 items a record") << edited("\"ETC\",8,2", "\"ETC\",8,4") << 28;
  QTest::newRow("22 records") << edited("\"SPECIAL\",6,2", "\"SPECIAL\",12,1") << 28;
  QTest::newRow("no encoder column")
      << edited("\"PG\",2,3\r\n13,0,1\r\n14,100,250", "\"PG\",2,2\r\n13,0\r\n14,100") << 28;
  QTest::newRow("cut short") << StdList.left(StdList.size() - 8) << 28;
}

void tst_Params::defectiveStandardList() {
  QFETCH(QString, text);
  QFETCH(int, first);
  Fixture t;
  t.write(stdlists::StdParaListFile, text);
  t.show(standard28());
  const QStringList before = t.pageTexts();
  t.iniPrm([&] { t.d.cmdDeviceSet.click(); });
  const QString head = first == 28 ? t.msg({28, 29}) : t.msg({first});
  QCOMPARE(t.dialogs.shown, (QStringList{head, t.msg({36})}));
  QCOMPARE(t.page.ParametaSet, standard28());
  QCOMPARE(t.pageTexts(), before);
}

void tst_Params::shippedLists_data() {
  QTest::addColumn<QString>("size");
  QTest::addColumn<bool>("encoder");
  for (const char *size : {"28", "35", "42", "SP"})
    for (bool encoder : {false, true})
      QTest::addRow("%s%s", size, encoder ? " with encoder" : "") << size << encoder;
}

// The lists beside the program give, for every size, what the controller
// takes; size 28 what the controller simulator starts with.
void tst_Params::shippedLists() {
  QFETCH(QString, size);
  QFETCH(bool, encoder);
  Module1 m;
  FrmMain f;
  FrmDevice d;
  FakeDialogs dialogs;
  ParameterPage page{m, f, d, dialogs};
  page.mainWindowLoad();
  QCOMPARE(page.DevSizes, (QStringList{"28 ", "35 ", "42 ", "SP "}));
  page.DevChoice = {size, "L", 100};
  page.DevPgUse = encoder;
  QCOMPARE(page.LoadStdPara(), qint16(0));
  QCOMPARE(dialogs.shown, QStringList());
  ParametaRecord expected = standard28();
  expected.ActCode = size + u"L100"_qs;
  expected.ActSize = size;
  expected.PgFunc = encoder ? 1 : 0;
  QCOMPARE(page.ParametaSet, expected);
  QCOMPARE(ParametaValueCheck(expected), qint16(0));
}

QTEST_GUILESS_MAIN(tst_Params)
#include "tst_params.moc"
