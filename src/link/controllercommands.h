#pragma once
#include <QObject>

class CommandLock;
class Dialogs;
class FrmMain;
class Link;
struct Module1;

// The operator's controller commands of the main window: alarm reset and
// the version query.
class ControllerCommands : public QObject {
  Q_OBJECT
public:
  ControllerCommands(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link);

  // 0 when the controller acknowledged, 1 otherwise (already reported).
  qint16 cmdRESET_Click();
  qint16 mnuShowCtversion_Click();
  // "0RV": 0 with the version in status bar panel 1, 1 on failure.
  qint16 ReadCtVersion();

private:
  CommandLock lock();
  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  Link &link_;
};
