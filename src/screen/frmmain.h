#pragma once
#include "window.h"

#include <QTimer>

// The main window: the MOVE・EDIT page (operation data, move test, I/O,
// status) and the Parameters page, menus, status bar and progress bar.
class FrmMain : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmMain();

  Control SSTab1{this, "SSTab1", K::Tab, &form};

  // Page 0: operation data.
  Control Frame2{this, "Frame2", K::Frame, &SSTab1, "Data Edit", {}, 0};
  Control lblVel{this, "lblVel", K::Label, &Frame2, "VEL"};
  Control comboVEL{this, "comboVEL", K::Combo, &Frame2};
  Control Label3{this, "Label3", K::Label, &Frame2, u"（1～30）"_qs};
  Control txtVEL{this, "txtVEL", K::Text, &Frame2};
  Control lblACC{this, "lblACC", K::Label, &Frame2, "ACC"};
  Control comboACC{this, "comboACC", K::Combo, &Frame2};
  Control Label4{this, "Label4", K::Label, &Frame2, u"（1～3）"_qs};
  Control txtACC{this, "txtACC", K::Text, &Frame2};
  Control lblGear{this, "lblGear", K::Label, &Frame2, "GEAR"};
  Control txtGEAR{this, "txtGEAR", K::Text, &Frame2};
  Control Label5{this, "Label5", K::Label, &Frame2, u"（1～100）"_qs};
  Control lblDiv{this, "lblDiv", K::Label, &Frame2, "Division"};
  Control txtDIVISION{this, "txtDIVISION", K::Text, &Frame2};
  Control Label6{this, "Label6", K::Label, &Frame2, u"（2～100）"_qs};
  Control lblRot{this, "lblRot", K::Label, &Frame2, "Rotation"};
  Control optCW{this, "optCW", K::Option, &Frame2, u"ＣＷ"_qs};
  Control optCCW{this, "optCCW", K::Option, &Frame2, u"ＣＣＷ"_qs};

  // Page 0: operation data commands.
  Control cmdGetfromCt{this, "cmdGetfromCt", K::Button, &SSTab1, "Read from C/T", {}, 0};
  Control cmdLoadtoCt{this, "cmdLoadtoCt", K::Button, &SSTab1, "Write to C/T", {}, 0};
  Control cmdFileOpen{this, "cmdFileOpen", K::Button, &SSTab1, "Open File", {}, 0};
  Control cmdSaveFile{this, "cmdSaveFile", K::Button, &SSTab1, "Save File", {}, 0};
  Control cmdDataPrint{this, "cmdDataPrint", K::Button, &SSTab1, "Print Indicated", {}, 0};
  Control cmdFilePrint{this, "cmdFilePrint", K::Button, &SSTab1, "Print File", {}, 0};

  // Page 0: move test.
  Control Frame1{this, "Frame1", K::Frame, &SSTab1, "Move Test", {}, 0};
  Control cmdHOME{this, "cmdHOME", K::Button, &Frame1, "Home"};
  Control cmdMOVE{this, "cmdMOVE", K::Button, &Frame1, "Move"};
  Control cmdSTOP{this, "cmdSTOP", K::Button, &Frame1, "Stop"};
  Control optCNT{this, "optCNT", K::Option, &Frame1, "Continual"};
  Control optSTEP{this, "optSTEP", K::Option, &Frame1, "Step"};
  Control chkTimerUse{this, "chkTimerUse", K::Check, &Frame1};
  Control lblWait{this, "lblWait", K::Label, &Frame1, "Wait"};
  Control txtTimer{this, "txtTimer", K::Text, &Frame1, "1"};
  Control Label2{this, "Label2", K::Label, &Frame1, "x100msec"};
  // Opens the times of the last run's moves; usable while it runs.
  Control cmdMoveStats{this, "cmdMoveStats", K::Button, &Frame1, "Statistics…", "5272"};

  // Page 0: I/O monitor. Each lit lamp lies over its unlit white lamp.
  Control Frame4{this, "Frame4", K::Frame, &SSTab1, "I/O", {}, 0};
  Control cmdIoMonitor{this, "cmdIoMonitor", K::Button, &Frame4, "Start Monitor"};
  // Opens the signals drawn over time; usable while the monitor runs.
  Control cmdIoTimeline{this, "cmdIoTimeline", K::Button, &Frame4, "Timeline…", "5271"};
  Control Label9{this, "Label9", K::Label, &Frame4, "INPUT"};
  Control Picture1{this, "Picture1", K::Panel, &Frame4};
  Control Label10{this, "Label10", K::Label, &Frame4, "OUTPUT"};
  Control Picture3{this, "Picture3", K::Panel, &Frame4};
  ControlArray imgWhiteIcon{this, "imgWhiteIcon", K::Image,
                            {{0, &Picture1, {}, {}}, {1, &Picture1, {}, {}},
                             {20, &Picture3, {}, {}}, {21, &Picture3, {}, {}},
                             {22, &Picture3, {}, {}}, {23, &Picture3, {}, {}},
                             {24, &Picture3, {}, {}}}};
  Control imgInputStb{this, "imgInputStb", K::Image, &Picture1};
  Control lblInputStb{this, "lblInputStb", K::Label, &Picture1, u"ＳＴＢ"_qs};
  Control imgInputStop{this, "imgInputStop", K::Image, &Picture1};
  Control lblInputStop{this, "lblInputStop", K::Label, &Picture1, u"ＲＥＳ"_qs};
  Control imgOutputAlm{this, "imgOutputAlm", K::Image, &Picture3};
  Control lblOutputAlm{this, "lblOutputAlm", K::Label, &Picture3, u"ＡＬＭ"_qs};
  Control imgOutputRdy{this, "imgOutputRdy", K::Image, &Picture3};
  Control lblOutputRdy{this, "lblOutputRdy", K::Label, &Picture3, u"ＲＤＹ"_qs};
  Control imgOutputInp{this, "imgOutputInp", K::Image, &Picture3};
  Control lblOutputInp{this, "lblOutputInp", K::Label, &Picture3, u"ＩＮ－Ｐ"_qs};
  Control imgOutputOut1{this, "imgOutputOut1", K::Image, &Picture3};
  Control lblOutputExp3{this, "lblOutputExp3", K::Label, &Picture3, u"ＯＵＴ２"_qs};
  Control imgOutputOut2{this, "imgOutputOut2", K::Image, &Picture3};
  Control lblOutputEXP4{this, "lblOutputEXP4", K::Label, &Picture3, u"ＯＵＴ１"_qs};

  // Page 0: controller status.
  Control Frame3{this, "Frame3", K::Frame, &SSTab1, "Status", {}, 0};
  Control lblstatus{this, "lblstatus", K::Label, &Frame3};
  // Grey until a reply tells the controller's state, and again after a lost line.
  Control imgAlarmUnknown{this, "imgAlarmUnknown", K::Image, &Frame3};
  Control imgAlarmGreen{this, "imgAlarmGreen", K::Image, &Frame3};
  Control imgAlarmLed{this, "imgAlarmLed", K::Image, &Frame3};
  Control cmdRESET{this, "cmdRESET", K::Button, &Frame3, "Alarm Reset"};

  // Page 1: parameters.
  Control framHomePara{this, "framHomePara", K::Frame, &SSTab1, "HOME Parameter", "602", 1};
  Control lblHomeOffset{this, "lblHomeOffset", K::Label, &framHomePara, "1. OFFSET"};
  Control txtHomeOffset{this, "txtHomeOffset", K::Text, &framHomePara};
  Control lblHomeOffsetUnit{this, "lblHomeOffsetUnit", K::Label, &framHomePara, "pulse"};
  Control lblHomeVel{this, "lblHomeVel", K::Label, &framHomePara, "2. VEL"};
  Control txtHomeVel{this, "txtHomeVel", K::Text, &framHomePara};
  Control lblHomeVelUnit{this, "lblHomeVelUnit", K::Label, &framHomePara, "deg/sec"};
  Control lblHomeOfsVel{this, "lblHomeOfsVel", K::Label, &framHomePara, "3. OFSVEL"};
  Control txtHomeOfsVel{this, "txtHomeOfsVel", K::Text, &framHomePara};
  Control lblHomeOfsVelUnit{this, "lblHomeOfsVelUnit", K::Label, &framHomePara, "deg/sec"};

  Control framAxisPara{this, "framAxisPara", K::Frame, &SSTab1, "AXIS Parameter", "603", 1};
  Control lblAxisPulse{this, "lblAxisPulse", K::Label, &framAxisPara, "1. PULSE"};
  Control txtAxisPulse{this, "txtAxisPulse", K::Text, &framAxisPara};
  Control lblAxisPulseUnit{this, "lblAxisPulseUnit", K::Label, &framAxisPara, "pulse"};
  Control lblAxisAutoDrv{this, "lblAxisAutoDrv", K::Label, &framAxisPara, "2. AutoDrive"};
  Control comboAxisAutoDrv{this, "comboAxisAutoDrv", K::Combo, &framAxisPara};
  Control lblActSize{this, "lblActSize", K::Label, &framAxisPara, "3. MOTOR"};
  Control comboActSize{this, "comboActSize", K::Combo, &framAxisPara};
  Control lblDenryu{this, "lblDenryu", K::Label, &framAxisPara, "Motor current", "5218"};
  Control txtDenryu{this, "txtDenryu", K::Text, &framAxisPara};
  Control lblDenryuUnit{this, "lblDenryuUnit", K::Label, &framAxisPara, "A"};

  Control framPgPara{this, "framPgPara", K::Frame, &SSTab1, "PG Parameter", "604", 1};
  Control lblPgFunc{this, "lblPgFunc", K::Label, &framPgPara, "1. FUNCTION"};
  Control comboPgFunc{this, "comboPgFunc", K::Combo, &framPgPara};
  Control lblPgAlarm{this, "lblPgAlarm", K::Label, &framPgPara, "2. ALM"};
  Control txtPgAlarm{this, "txtPgAlarm", K::Text, &framPgPara};
  Control lblPgAlarmUnit{this, "lblPgAlarmUnit", K::Label, &framPgPara, "pulse"};

  Control framEtcPara{this, "framEtcPara", K::Frame, &SSTab1, "Etc Parameter", "605", 1};
  Control lblHomeOut{this, "lblHomeOut", K::Label, &framEtcPara, "1. HOME OUT"};
  Control comboHomeOut{this, "comboHomeOut", K::Combo, &framEtcPara};
  Control lblInpLimit{this, "lblInpLimit", K::Label, &framEtcPara, "2. IN-P WID"};
  Control txtInpLimit{this, "txtInpLimit", K::Text, &framEtcPara};
  Control lblInpLimitUnit{this, "lblInpLimitUnit", K::Label, &framEtcPara, "pulse"};
  Control lblBrake{this, "lblBrake", K::Label, &framEtcPara, "2. Brake"};
  Control comboBrake{this, "comboBrake", K::Combo, &framEtcPara};

  // The special (SP) group starts locked behind chkTokuParaChange.
  Control framTokusyuPara{this, "framTokusyuPara", K::Frame, &SSTab1, "SP Parameter", "606", 1};
  Control chkTokuParaChange{this, "chkTokuParaChange", K::Check, &framTokusyuPara,
                            "Change SP Parameter", "619"};
  Control lblPgCheckTimer{this, "lblPgCheckTimer", K::Label, &framTokusyuPara, "1. PG TIMER"};
  Control txtPgCheckTimer{this, "txtPgCheckTimer", K::Text, &framTokusyuPara};
  Control lblAutoHome{this, "lblAutoHome", K::Label, &framTokusyuPara, "2. AUTO HOME"};
  Control comboAutoHome{this, "comboAutoHome", K::Combo, &framTokusyuPara};
  Control lblLsSerchTimer{this, "lblLsSerchTimer", K::Label, &framTokusyuPara, "3. LS TIMER"};
  Control txtLsSerchTimer{this, "txtLsSerchTimer", K::Text, &framTokusyuPara};
  Control lblEmgLogic{this, "lblEmgLogic", K::Label, &framTokusyuPara, "4. EMG LOGIC"};
  ControlArray optEmgLogic{this, "optEmgLogic", K::Option,
                           {{0, &framTokusyuPara, u"接点(1)"_qs, {}},
                            {1, &framTokusyuPara, u"接点(0)"_qs, {}}}};
  Control lblAlarmAutoClear{this, "lblAlarmAutoClear", K::Label, &framTokusyuPara,
                            "5. ALM1 CLEAR"};
  ControlArray optAlarmAutoClear{this, "optAlarmAutoClear", K::Option,
                                 {{1, &framTokusyuPara, u"有効"_qs, {}},
                                  {0, &framTokusyuPara, u"無効"_qs, {}}}};

  Control cmdIniPrm{this, "cmdIniPrm", K::Button, &SSTab1, "Initial Parameter", "609", 1};
  // Marks the boxes that differ from the standard set of the page's size.
  Control chkStdMark{this, "chkStdMark", K::Check, &SSTab1, "Mark changes from standard", "5239", 1};
  Control cmdParaPrint{this, "cmdParaPrint", K::Button, &SSTab1, "Print Data indicated", "608", 1};
  Control cmdParaFilePrint{this, "cmdParaFilePrint", K::Button, &SSTab1, "Print Data in file",
                           "607", 1};

  Control SSTabPrm{this, "SSTabPrm", K::Tab, &SSTab1, {}, {}, 1};
  Control cmdReadParaFile{this, "cmdReadParaFile", K::Button, &SSTabPrm, "File open", "616", 0};
  Control cmdSaveParaFile{this, "cmdSaveParaFile", K::Button, &SSTabPrm, "File save", "617", 0};
  Control cmdConpareFile{this, "cmdConpareFile", K::Button, &SSTabPrm, "Verify", "618", 0};
  Control cmdParaRead{this, "cmdParaRead", K::Button, &SSTabPrm, "Read from C/T", "613", 1};
  Control cmdParaWrite{this, "cmdParaWrite", K::Button, &SSTabPrm, "Write to C/T", "614", 1};
  Control cmdConpareCT{this, "cmdConpareCT", K::Button, &SSTabPrm, "Verify", "615", 1};

  // Status bar: panel 1 the controller version, panels 2 and 3 date and time.
  Control sbStatusBar{this, "sbStatusBar", K::StatusBar, &form};
  // Panels: 0 messages and the controller's version, 1 date, 2 time, 3 port.
  static constexpr int PortPanel = 3;
  Control ProgressBar1{this, "ProgressBar1", K::Progress, &form};

  // Menus: captions are message numbers; designed-hidden entries stay hidden.
  Control mnuFile{this, "mnuFile", K::Menu, &form, "250"};
  Control mnuFileNew{this, "mnuFileNew", K::MenuItem, &mnuFile, "251"};
  Control mnuFileOpen{this, "mnuFileOpen", K::MenuItem, &mnuFile, "252"};
  Control mnuFileGetfromCt{this, "mnuFileGetfromCt", K::MenuItem, &mnuFile, "253"};
  Control mnuFileBar1{this, "mnuFileBar1", K::Separator, &mnuFile, "-"};
  Control mnuFileSave{this, "mnuFileSave", K::MenuItem, &mnuFile, "254"};
  Control mnuFileSaveAs{this, "mnuFileSaveAs", K::MenuItem, &mnuFile, "255"};
  Control mnuFileLoadtoCt{this, "mnuFileLoadtoCt", K::MenuItem, &mnuFile, "256"};
  Control mnuFileCompare{this, "mnuFileCompare", K::MenuItem, &mnuFile, "5244"};
  Control mnuFileBar2{this, "mnuFileBar2", K::Separator, &mnuFile, "-"};
  Control mnuFilePrint{this, "mnuFilePrint", K::MenuItem, &mnuFile, "261"};
  Control mnuFilePrintPreview{this, "mnuFilePrintPreview", K::MenuItem, &mnuFile, "5150"};
  Control mnuFileBar3{this, "mnuFileBar3", K::Separator, &mnuFile, "-"};
  Control mnuFileExit{this, "mnuFileExit", K::MenuItem, &mnuFile, "262"};
  Control mnuView{this, "mnuView", K::Menu, &form, "270"};
  Control mnuViewOption{this, "mnuViewOption", K::MenuItem, &mnuView, "278"};
  Control mnuViewCommLog{this, "mnuViewCommLog", K::MenuItem, &mnuView, "5170"};
  Control mnuCont{this, "mnuCont", K::Menu, &form, "285"};
  Control mnuShowCtversion{this, "mnuShowCtversion", K::MenuItem, &mnuCont, "287"};
  Control mnuModeChange{this, "mnuModeChange", K::MenuItem, &mnuCont, "288"};
  // The plant's memory: the named lines, the history and the drift check.
  Control mnuContBar1{this, "mnuContBar1", K::Separator, &mnuCont, "-"};
  Control mnuContLines{this, "mnuContLines", K::MenuItem, &mnuCont, "5370"};
  Control mnuContHistory{this, "mnuContHistory", K::MenuItem, &mnuCont, "5371"};
  Control mnuContCheck{this, "mnuContCheck", K::MenuItem, &mnuCont, "5372"};
  Control mnuHelp{this, "mnuHelp", K::Menu, &form, "290"};
  Control mnuHelpContents{this, "mnuHelpContents", K::MenuItem, &mnuHelp, "291"};
  Control mnuHelpAbout{this, "mnuHelpAbout", K::MenuItem, &mnuHelp, "292"};

  // Repaints the status bar every second.
  QTimer Timer1;

  // Command groups, disabled while a command runs so that no second command
  // can start during its waits.
  void CMDBTN_Muko() { lock(commandsLocked_, commandButtons()); }
  void CMDBTN_Yuko() { unlock(commandsLocked_, commandButtons()); }
  void Menyu_Muko() { lock(menusLocked_, menus()); }
  void Menyu_Yuko() { unlock(menusLocked_, menus()); }
  void ParaBtn_Muko() { lock(parameterButtonsLocked_, parameterButtons()); }
  void ParaBtn_Yuko() { unlock(parameterButtonsLocked_, parameterButtons()); }
  // The bracket of a command of one page: its group, the other page and
  // the menus.
  void DataCommand_Muko() { CMDBTN_Muko(); SSTab1.setTabEnabled(1, false); Menyu_Muko(); }
  void DataCommand_Yuko() { CMDBTN_Yuko(); SSTab1.setTabEnabled(1, true); Menyu_Yuko(); }
  void ParaCommand_Muko() { ParaBtn_Muko(); SSTab1.setTabEnabled(0, false); Menyu_Muko(); }
  void ParaCommand_Yuko() { ParaBtn_Yuko(); SSTab1.setTabEnabled(0, true); Menyu_Yuko(); }

  // The members of each group, in their order.
  static void setAll(const QList<Control *> &group, bool enabled);
  QList<Control *> commandButtons();
  QList<Control *> menus();
  QList<Control *> parameterButtons();

  // The progress bar over the status bar, during long transfers.
  void Disp_ProgressBar();
  void Hide_ProgressBar();

  // Some command group is locked: a command runs.
  bool commandRunning() const { return commandsLocked_ || menusLocked_ || parameterButtonsLocked_; }

Q_SIGNALS:
  // The first group was locked: a command starts, and the last one's result
  // in the status line is stale.
  void commandStarted();
  // A command of the controller ended in the window with its 0/1 return:
  // what it did is kept in the history.
  void commandEnded(const QString &command, int code);

private:
  void lock(bool &locked, const QList<Control *> &group) {
    if (!commandRunning())
      Q_EMIT commandStarted();
    locked = true;
    setAll(group, false);
  }
  static void unlock(bool &locked, const QList<Control *> &group) {
    locked = false;
    setAll(group, true);
  }
  bool commandsLocked_ = false;
  bool menusLocked_ = false;
  bool parameterButtonsLocked_ = false;
};
