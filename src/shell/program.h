#pragma once
#include "frmabout.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "frmoption.h"
#include "frmprintselect.h"
#include "frmsplash.h"
#include "frmtrance.h"
#include "controllercommands.h"
#include "dialogs.h"
#include "indexdata.h"
#include "iomonitor.h"
#include "motiontest.h"
#include "movestats.h"
#include "commlog.h"
#include <memory>
#include "optiondialog.h"
#include "printcommands.h"
#include "parameterfile.h"
#include "parameterpage.h"
#include "parametertransfer.h"
#include "verification.h"
#include "paramcompare.h"
#include "standardmarks.h"
#include "positionfile.h"
#include "link.h"
#include "module1.h"
#include "serialportdevice.h"
#include "settingsstore.h"
#include "plantmemory.h"

#include <functional>
#include <optional>

// What the commands tell the operator through: the program's dialogs until
// the main window closes. A command still unwinding from its wait then says
// nothing more: messages are dropped, questions answered as cancelled.
class AfterCloseDialogs : public Dialogs {
public:
  explicit AfterCloseDialogs(Dialogs &d) : d_(d) {}
  bool closed = false;

  void setBusy(bool busy) override { d_.setBusy(busy); }
  QString saveFileName(const FileDialog &d) override { return closed ? QString() : d_.saveFileName(d); }
  QString openFileName(const FileDialog &d) override { return closed ? QString() : d_.openFileName(d); }
  void useLanguege(qint16 languege) override { d_.useLanguege(languege); }

protected:
  Answer showMessage(const Told &text, Buttons buttons, Icon icon, const QString &details) override {
    if (!closed)
      return d_.message(text, buttons, icon, details);
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
  void showStatus(const Told &text) override {
    if (!closed)
      d_.status(text);
  }
  void showDone(const Told &text) override {
    if (!closed)
      d_.done(text);
  }

private:
  Dialogs &d_;
};

// The running program: its shared state, its settings and its seven
// windows; start-up, loading and unloading the main window, and exit.
class Program : public QObject {
  Q_OBJECT
public:
  explicit Program(Dialogs &dialogs);

  Module1 m;
  SettingsStore store;
  AfterCloseDialogs closingDialogs;
  Dialogs &dialogs; // closingDialogs
  FrmMain frmMain;
  FrmSplash frmSplash;
  FrmDevice frmDevice;
  FrmTrance frmTrance;
  FrmOption frmOption;
  FrmPrintSelect frmPrintSelect;
  FrmAbout frmAbout;

  // The serial port, unless another line is set on the link (the simulator).
  SerialPortDevice serialPort;
  Link link{m, frmMain, dialogs, store, &serialPort};
  ControllerCommands controller{m, frmMain, dialogs, link};
  IndexData indexData{m, frmMain, dialogs, link};
  PositionFile positionFile{m, frmMain, dialogs, indexData};
  ParameterPage params{m, frmMain, frmDevice, dialogs};
  ParameterTransfer paramTransfer{m, frmMain, frmTrance, dialogs, link, params};
  ParameterFile paramFile{m, frmMain, dialogs, params};
  Verification verification{m, frmMain, dialogs, params, paramTransfer, paramFile};
  StandardMarks standardMarks{m, frmMain, dialogs, params};
  ParamCompare compare{m, frmMain, dialogs, link, params, paramTransfer, paramFile};
  MotionTest motion{m, frmMain, dialogs, link};
  MoveStats moveStats{motion};
  IoMonitor io{m, frmMain, dialogs, link};
  PrintCommands print{m, frmMain, frmPrintSelect, dialogs, indexData, params, paramFile};
  OptionDialog options{m, frmMain, frmOption, dialogs, link, store};
  PlantMemory memory{*this};
  // Built when first needed: the language is known only after the settings.
  std::unique_ptr<CommLog> commLog;
  CommLog &log();

  // --device: the port number in use at start opens this device instead.
  QString deviceOverride;
  // --port and --lang of the command line: used instead of the stored ones.
  std::optional<qint16> portOverride;
  std::optional<qint16> languageOverride;
  // The window's runs: the named line chosen last time ("Line") is used
  // again at start; kov-t6-cli names its line itself.
  bool resumesLine = false;

  QList<Window *> windows();

  // Start-up: the splash for two seconds (unless `splash` is false), the
  // settings, then the main window, loaded and shown.
  void Main(bool splash = true);

  void frmMain_Load();
  // The title names the file of the page in front and marks its unsaved edits.
  void showTitle();
  // Runs however the main window is closed: writes "PortNo" and "Languege".
  void frmMain_Unload();
  // File > Exit: unload, then end the program.
  void mnuFileExit_Click();
  // Before the main window closes: edits that exist nowhere else are offered
  // for saving (Save, Discard, Cancel). A move, homing or monitor run is
  // stopped first and the question comes once it has ended, through
  // closeRequested. False keeps the window open.
  bool mayClose();

  // The main window has unloaded: the program is ending.
  bool closing() const { return unloaded_; }

  // Key-down of any of the seven windows: true when the key is to be dropped.
  bool swallowsKey(int vbKeyCode) const;

  // The manual of this run's language; whether it exists.
  QString helpPath;
  bool manualExists() const;
  // Help > Contents shown or hidden by whether the manual exists.
  void offerHelp();
  // Opens a document in the desktop's viewer; set by the GUI.
  std::function<bool(const QString &path)> openDocument;
  // Help > Contents and F1: the manual, or `missingText` with the
  // information icon when there is none.
  void ShowHelp(const Told &missingText);
  void mnuHelpAbout_Click();
  void RunSystemInfo();

Q_SIGNALS:
  void quitRequested();
  // Ask to close the main window again: the run that held the question has ended.
  void closeRequested();

private:
  QString title_; // the main window's own caption

private:
  void showSplash();
  void showClock();
  bool unloaded_ = false;
  bool closeAfterRun_ = false;
  qint64 lastCycleMs_ = -1; // of the run in progress
  void runEnded();
};
