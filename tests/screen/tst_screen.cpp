#include "frmmain.h"
#include "frmtrance.h"
#include "setrescaptions.h"

#include <QRegularExpression>
#include <QtTest>

// A window with one control of every binding kind, for the caption rules.
class Sample : public Window {
  using K = Control::Kind;

public:
  Sample() : Window("frmSample", "design", "1401") {}
  Control numbered{this, "cmdParaRead", K::Button, &form, "design button", "613"};
  Control untagged{this, "lblPlain", K::Label, &form, "design label"};
  Control textTag{this, "lblText", K::Label, &form, "design text tag", "abc"};
  Control unknownTag{this, "cmdUnknown", K::Button, &form, "design unknown", "9999"};
  Control zeroTag{this, "cmdZero", K::Button, &form, "design zero", "0"};
  Control tipped{this, "lblTip", K::Label, &form, "tip label", "3002"};
  Control textBox{this, "txtTagged", K::Text, &form, "typed", "613"};
  Control menu{this, "mnuNumbered", K::Menu, &form, "250"};
  Control menuWord{this, "mnuWord", K::MenuItem, &menu, "Word(&W)"};
  Control menuLeading{this, "mnuLeading", K::MenuItem, &menu, "252 entry"};
  Control bar{this, "mnuBar", K::Separator, &menu, "-"};
};

class tst_Screen : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }
  void setResCaptions_data();
  void setResCaptions();
  void setResCaptionsToolTips();
  void frameDisablesWhatItHolds();
  void optionGroupsExcludeEachOther();
  void listTakesTextThroughItsItems();
  void codeRunsTheHandlers();
  void commandGroups_data();
  void commandGroups();
  void groupsLeaveExitAndHelpAlone();
  void progressBarOverStatusBar();
};

void tst_Screen::setResCaptions_data() {
  QTest::addColumn<int>("langBase");
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("caption");
  for (int base : {0, 10000}) {
    const bool en = base != 0;
    const char *lang = en ? "en" : "ja";
    QTest::addRow("%s window tag", lang) << base << "frmSample" << (en ? u"Select Device"_qs : u"機種選択"_qs);
    QTest::addRow("%s numeric tag", lang) << base << "cmdParaRead" << (en ? u"Read from C/T"_qs : u"コントローラ から読込み"_qs);
    QTest::addRow("%s no tag", lang) << base << "lblPlain" << u"design label"_qs;
    QTest::addRow("%s text tag", lang) << base << "lblText" << u"design text tag"_qs;
    QTest::addRow("%s unknown message", lang) << base << "cmdUnknown" << u"design unknown"_qs;
    QTest::addRow("%s zero tag", lang) << base << "cmdZero" << u"design zero"_qs;
    QTest::addRow("%s text box has no caption", lang) << base << "txtTagged" << u"typed"_qs;
    QTest::addRow("%s menu number", lang) << base << "mnuNumbered" << (en ? u"File(&F)"_qs : u"ファイル(&F)"_qs);
    QTest::addRow("%s menu word", lang) << base << "mnuWord" << u"Word(&W)"_qs;
    QTest::addRow("%s menu leading number", lang) << base << "mnuLeading" << (en ? u"File Open(&O)"_qs : u"開く(&O)"_qs);
    QTest::addRow("%s separator", lang) << base << "mnuBar" << u"-"_qs;
  }
}

void tst_Screen::setResCaptions() {
  QFETCH(int, langBase);
  QFETCH(QString, control);
  QFETCH(QString, caption);
  Sample w;
  SetResCaptions(w, Messages(langBase));
  const Control *c = control == w.name() ? &w.form : w.find(control);
  QVERIFY(c);
  QCOMPARE(c->text(), caption);
}

void tst_Screen::setResCaptionsToolTips() {
  Sample w;
  w.tipped.toolTip = QStringLiteral("3003");
  w.numbered.toolTip = QStringLiteral("plain words");
  w.untagged.toolTip = QStringLiteral("0");
  SetResCaptions(w, Messages(10000));
  QCOMPARE(w.tipped.text(), u"VEL"_qs);
  QCOMPARE(w.tipped.toolTip, u"ACC"_qs);
  QCOMPARE(w.numbered.toolTip, u"plain words"_qs);
  QCOMPARE(w.untagged.toolTip, u"0"_qs);
}

void tst_Screen::frameDisablesWhatItHolds() {
  FrmMain f;
  QVERIFY(f.txtGEAR.isEffectivelyEnabled());
  f.Frame2.setEnabled(false);
  QVERIFY(f.txtGEAR.isEnabled());
  QVERIFY(!f.txtGEAR.isEffectivelyEnabled());
  QVERIFY(f.cmdLoadtoCt.isEffectivelyEnabled());
  f.Frame2.setEnabled(true);
  // A disabled tab page disables what lies on it.
  f.SSTab1.setTabEnabled(1, false);
  QVERIFY(!f.cmdParaRead.isEffectivelyEnabled());
  QVERIFY(!f.txtHomeOffset.isEffectivelyEnabled());
  QVERIFY(f.txtGEAR.isEffectivelyEnabled());
  // Nested: a lamp inside a panel inside a frame.
  f.Frame4.setEnabled(false);
  QVERIFY(!f.imgWhiteIcon(22).isEffectivelyEnabled());
}

void tst_Screen::optionGroupsExcludeEachOther() {
  FrmMain f;
  QVERIFY(f.optCW.isChecked());
  f.optCCW.setChecked(true);
  QVERIFY(!f.optCW.isChecked());
  QVERIFY(f.optCNT.isChecked()); // another frame, another group
  // The two special option pairs share a frame but not a group.
  f.optEmgLogic(1).setChecked(true);
  f.optAlarmAutoClear(1).setChecked(true);
  QVERIFY(f.optEmgLogic(1).isChecked());
  QVERIFY(!f.optEmgLogic(0).isChecked());
  QVERIFY(f.optAlarmAutoClear(1).isChecked());
  QVERIFY(!f.optAlarmAutoClear(0).isChecked());
}

void tst_Screen::listTakesTextThroughItsItems() {
  FrmMain f;
  f.comboHomeOut.addItem(QStringLiteral("0. OUT-OFF"), 0);
  f.comboHomeOut.addItem(QStringLiteral("1. OUT-ON"), 1);
  f.comboHomeOut.setText(QStringLiteral("1. OUT-ON"));
  QCOMPARE(f.comboHomeOut.listIndex(), 1);
  QCOMPARE(f.comboHomeOut.itemData(1), 1);
  // A value without an item is shown as its text with nothing selected.
  f.comboHomeOut.setText(QStringLiteral("2"));
  QCOMPARE(f.comboHomeOut.listIndex(), -1);
  QCOMPARE(f.comboHomeOut.text(), u"2"_qs);
}

void tst_Screen::codeRunsTheHandlers() {
  FrmMain f;
  int changes = 0, clicks = 0;
  f.txtGEAR.onChange = [&] { ++changes; };
  f.txtGEAR.setText(QStringLiteral("8"));
  f.txtGEAR.setText(QStringLiteral("8")); // no change, no handler
  QCOMPARE(changes, 1);
  f.comboVEL.addItem(QStringLiteral("30"), 0);
  f.comboVEL.addItem(QStringLiteral("29"), 1);
  f.comboVEL.onClick = [&] { ++clicks; };
  f.comboVEL.setText(QStringLiteral("29"));
  f.comboVEL.setListIndex(0);
  QCOMPARE(clicks, 2);
  int checks = 0;
  f.chkTimerUse.onClick = [&] { ++checks; };
  f.chkTimerUse.setChecked(true);
  QCOMPARE(checks, 1);
}

void tst_Screen::commandGroups_data() {
  QTest::addColumn<QString>("group");
  QTest::addColumn<QStringList>("members");
  QTest::newRow("command buttons") << u"CMDBTN"_qs
      << QStringList{"cmdFileOpen", "cmdSaveFile", "cmdLoadtoCt", "cmdGetfromCt", "cmdDataPrint",
                     "cmdFilePrint", "Frame2", "cmdMOVE", "cmdSTOP", "cmdHOME", "Frame1",
                     "cmdIoMonitor", "Frame4", "cmdRESET"};
  QTest::newRow("menus") << u"Menyu"_qs
      << QStringList{"mnuFileNew", "mnuFileOpen", "mnuFileGetfromCt", "mnuFileSave",
                     "mnuFileSaveAs", "mnuFileLoadtoCt", "mnuFilePrint", "mnuFilePrintPreview", "mnuModeChange",
                     "mnuView", "mnuCont"};
  QTest::newRow("parameter buttons") << u"ParaBtn"_qs
      << QStringList{"cmdReadParaFile", "cmdSaveParaFile", "cmdParaRead", "cmdParaWrite",
                     "cmdConpareFile", "cmdConpareCT", "cmdParaFilePrint", "cmdParaPrint",
                     "cmdIniPrm"};
}

void tst_Screen::commandGroups() {
  QFETCH(QString, group);
  QFETCH(QStringList, members);
  FrmMain f;
  struct Group {
    void (FrmMain::*muko)();
    void (FrmMain::*yuko)();
    QList<Control *> (FrmMain::*members)();
  };
  const QHash<QString, Group> groups{
      {"CMDBTN", {&FrmMain::CMDBTN_Muko, &FrmMain::CMDBTN_Yuko, &FrmMain::commandButtons}},
      {"Menyu", {&FrmMain::Menyu_Muko, &FrmMain::Menyu_Yuko, &FrmMain::menus}},
      {"ParaBtn", {&FrmMain::ParaBtn_Muko, &FrmMain::ParaBtn_Yuko, &FrmMain::parameterButtons}}};
  const Group g = groups.value(group);
  const auto muko = g.muko, yuko = g.yuko;

  QStringList inOrder;
  for (Control *c : (f.*g.members)())
    inOrder << c->name();
  QCOMPARE(inOrder, members);

  QStringList enabledBefore;
  for (Control *c : f.controls())
    if (c->isEnabled())
      enabledBefore << c->name();

  (f.*muko)();
  QStringList disabled;
  for (Control *c : f.controls())
    if (!c->isEnabled() && enabledBefore.contains(c->name()))
      disabled << c->name();
  // Exactly the members, nothing else.
  QStringList sortedDisabled = disabled, sortedMembers = members;
  sortedDisabled.sort();
  sortedMembers.sort();
  QCOMPARE(sortedDisabled, sortedMembers);

  (f.*yuko)();
  for (Control *c : f.controls())
    QCOMPARE(c->isEnabled(), enabledBefore.contains(c->name()));
}

void tst_Screen::groupsLeaveExitAndHelpAlone() {
  FrmMain f;
  f.CMDBTN_Muko();
  f.Menyu_Muko();
  f.ParaBtn_Muko();
  QVERIFY(f.mnuFile.isEffectivelyEnabled());
  QVERIFY(f.mnuFileExit.isEffectivelyEnabled());
  QVERIFY(f.mnuHelpAbout.isEffectivelyEnabled());
  QVERIFY(!f.mnuViewOption.isEffectivelyEnabled());
  QVERIFY(!f.mnuShowCtversion.isEffectivelyEnabled());
  QVERIFY(!f.txtDIVISION.isEffectivelyEnabled());
  QVERIFY(!f.imgOutputAlm.isEffectivelyEnabled());
}

void tst_Screen::progressBarOverStatusBar() {
  FrmMain f;
  f.sbStatusBar.setGeometry(0, 9000, 13500, 300);
  f.ProgressBar1.setValue(7);
  f.Disp_ProgressBar();
  QVERIFY(f.ProgressBar1.isVisible());
  QVERIFY(f.ProgressBar1.inFront);
  QCOMPARE(f.ProgressBar1.top, 9035);
  QCOMPARE(f.ProgressBar1.height, 265);
  QCOMPARE(f.ProgressBar1.minimum(), 0);
  QCOMPARE(f.ProgressBar1.value(), 0);
  f.ProgressBar1.setMaximum(3);
  f.ProgressBar1.setValue(3);
  f.Hide_ProgressBar();
  QVERIFY(!f.ProgressBar1.isVisible());
  QCOMPARE(f.ProgressBar1.value(), 0);
}

QTEST_GUILESS_MAIN(tst_Screen)
#include "tst_screen.moc"
