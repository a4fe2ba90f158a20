#pragma once
#include "frmabout.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "frmoption.h"
#include "frmprintselect.h"
#include "frmsplash.h"
#include "frmtrance.h"
#include "module1.h"
#include "settingsstore.h"

// The running program: its shared state, its settings and its seven
// windows; start-up, loading and unloading the main window, and exit.
class Program : public QObject {
  Q_OBJECT
public:
  Program();

  Module1 m;
  SettingsStore store;
  FrmMain frmMain;
  FrmSplash frmSplash;
  FrmDevice frmDevice;
  FrmTrance frmTrance;
  FrmOption frmOption;
  FrmPrintSelect frmPrintSelect;
  FrmAbout frmAbout;

  QList<Window *> windows();

  // Start-up: the splash for two seconds (unless `splash` is false), the
  // settings, then the main window, loaded and shown.
  void Main(bool splash = true);

  void frmMain_Load();
  // Runs however the main window is closed: writes "PortNo" and "Languege".
  void frmMain_Unload();
  // File > Exit: unload, then end the program.
  void mnuFileExit_Click();

  // Key-down of any of the seven windows: true when the key is to be dropped.
  bool swallowsKey(int vbKeyCode) const;

Q_SIGNALS:
  void quitRequested();

private:
  void showSplash();
  void showClock();
  bool unloaded_ = false;
};
