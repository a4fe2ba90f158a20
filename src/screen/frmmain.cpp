#include "frmmain.h"

FrmMain::FrmMain() : Window("frmMain", "KOV-T6") {
  SSTab1.setTabCaption(0, "MOVE・EDIT");
  SSTab1.setTabCaption(1, "Parameters");
  SSTabPrm.setTabCaption(0, "FILE");
  SSTabPrm.setTabCaption(1, "CONTROLLER");

  optCW.setChecked(true);
  optCNT.setChecked(true);
  // Each option pair of the special group is a group of its own.
  for (int i : optEmgLogic.indices())
    optEmgLogic(i).optionGroup = QStringLiteral("optEmgLogic");
  for (int i : optAlarmAutoClear.indices())
    optAlarmAutoClear(i).optionGroup = QStringLiteral("optAlarmAutoClear");
  optEmgLogic(0).setChecked(true);
  optAlarmAutoClear(0).setChecked(true);
  for (Control *c : {&txtPgCheckTimer, &txtLsSerchTimer, &comboAutoHome, &optEmgLogic(0),
                     &optEmgLogic(1), &optAlarmAutoClear(0), &optAlarmAutoClear(1)})
    c->setEnabled(false);

  for (Control *lamp : {&imgInputStb, &imgInputStop, &imgOutputAlm, &imgOutputRdy, &imgOutputInp,
                        &imgOutputOut1, &imgOutputOut2, &imgAlarmLed, &imgAlarmGreen})
    lamp->setVisible(false);

  for (Control *hidden : {&mnuFileNew, &mnuFileSave, &mnuModeChange})
    hidden->setVisible(false);

  // Design size in twips: the status bar along the bottom of the window.
  form.setVisible(false);
  form.setGeometry(1000, 1000, 13500, 9600);
  sbStatusBar.setPanelCount(4);
  sbStatusBar.setGeometry(0, 9000, 13500, 300);
  ProgressBar1.setVisible(false);

  Timer1.setInterval(1000);
}

QList<Control *> FrmMain::commandButtons() {
  return {&cmdFileOpen, &cmdSaveFile, &cmdLoadtoCt, &cmdGetfromCt, &cmdDataPrint,
          &cmdFilePrint, &Frame2, &cmdMOVE, &cmdSTOP, &cmdHOME,
          &Frame1, &cmdIoMonitor, &Frame4, &cmdRESET};
}

QList<Control *> FrmMain::menus() {
  return {&mnuFileNew, &mnuFileOpen, &mnuFileGetfromCt, &mnuFileSave, &mnuFileSaveAs,
          &mnuFileLoadtoCt, &mnuFileCompare, &mnuFilePrint, &mnuFilePrintPreview, &mnuModeChange, &mnuView, &mnuCont};
}

QList<Control *> FrmMain::parameterButtons() {
  return {&cmdReadParaFile, &cmdSaveParaFile, &cmdParaRead, &cmdParaWrite, &cmdConpareFile,
          &cmdConpareCT, &cmdParaFilePrint, &cmdParaPrint, &cmdIniPrm};
}

void FrmMain::setAll(const QList<Control *> &group, bool enabled) {
  for (Control *c : group)
    c->setEnabled(enabled);
}

void FrmMain::Disp_ProgressBar() {
  constexpr int Inset = 35; // twips
  ProgressBar1.setGeometry(sbStatusBar.left, sbStatusBar.top + Inset, sbStatusBar.width,
                           sbStatusBar.height - Inset);
  ProgressBar1.setMinimum(0);
  ProgressBar1.setValue(ProgressBar1.minimum());
  ProgressBar1.bringToFront();
  ProgressBar1.setVisible(true);
}

void FrmMain::Hide_ProgressBar() {
  ProgressBar1.setVisible(false);
  ProgressBar1.setValue(0);
}
