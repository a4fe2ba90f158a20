#pragma once
#include "commandlock.h"
#include "iohistory.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <optional>

class Control;
class Dialogs;
class FrmMain;
class Link;
struct Module1;

// The seven lamps of the I/O frame: which word, digit (from 1) and mask
// each shows, in the order they are shown.
struct IoSignal {
  const char *name; // as the operator reads it beside the lamp
  bool input;
  int digit;
  int mask;
};
extern const std::array<IoSignal, 7> IoSignals;
inline QString IoSignalName(int row) { return QString::fromLatin1(IoSignals[std::size_t(row)].name); }

// The I/O monitor: the controller in monitor mode, its input and output
// words read every 300 ms and shown as lamps, an output switched by a
// double-click on its lamp.
class IoMonitor : public QObject {
  Q_OBJECT
public:
  IoMonitor(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link);

  bool IoMonitoring = false;
  bool IoModeSet = false;
  bool IoStopRequest = false;
  bool IoWriteRequest = false;
  QTimer timerInputOutput1;

  // The routines of the monitor, as the main window runs them.
  qint16 ReadIoState();
  qint16 WriteOutputs();
  void cmdIoMonitor_Click();
  void IoMonitorStart();
  void IoMonitorStop();
  void IoCMDBTN_Muko();
  void IoCMDBTN_Yuko();
  void timerInputOutput1_Timer();
  void IoStateHyoji();
  void AllLED_Off();
  // However the monitor ends: no timer, no request left, lamps dark.
  void monitorEnded();
  void imgWhiteIcon_DblClick(int index);
  // The lit lamp of signal `row` (of IoSignals) double-clicked.
  void outputLamp_DblClick(int row);
  // Output `row` switched from the keyboard or the lamp's menu: while the
  // monitor runs, as a double-click on its lamp.
  void switchOutput(int row);
  // Each lamp's state for a screen reader, and the outputs' hint.
  void nameLamps();

  // Whether signal `row` is on in the last words read.
  bool isOn(int row) const;
  // The lit lamp of each signal, in the order of IoSignals.
  QList<Control *> lamps() const;
  // The signal (row of IoSignals) whose lit or white lamp `c` is; -1 for none.
  int lampRow(const Control &c) const;

  // The row of IoSignals named `name` ("OUT1"); -1 when none is.
  static int rowOf(const QString &name);

  // The program is ending: a monitor that set the controller's monitor mode
  // takes it back to mode 0 (one try) before the port closes.
  void leaveMonitorMode();

  // What the monitor saw change during its run: milliseconds since its
  // start, the signal and its new state; the last 100,000 changes.
  using Change = IoHistory::Change;
  const IoHistory &history() const { return history_; }
  // Milliseconds since the run began (the history's clock).
  qint64 runMs() const { return run_.isValid() ? run_.elapsed() : 0; }
  // The history as CSV: a header line, then one line a change.
  QByteArray historyCsv() const;
  // Saves the history where the operator chooses; 0 when saved.
  qint16 saveHistory();

Q_SIGNALS:
  // Each tick that read the words; and the monitor has stopped.
  void ticked();
  void stopped();

private:
  // The menus, locked from the monitor's start to its stop.
  std::optional<CommandLock> menus_;
  QList<Control *> monitorGroup() const;
  void setOutputToggle(int row);
  void noteChanges();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  Link &link_;
  bool inTick_ = false;
  QElapsedTimer run_;
  IoHistory history_;
  std::array<bool, 7> shown_{};
  bool firstRead_ = true;
};
