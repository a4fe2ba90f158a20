#pragma once
#include <QObject>

class Dialogs;
class FrmMain;
class FrmOption;
class Link;
class SettingsStore;
struct Module1;

// View > Options: the serial port (with the device behind each number), the
// port held open, the language and the display options.
class OptionDialog : public QObject {
  Q_OBJECT
public:
  OptionDialog(Module1 &m, FrmMain &frmMain, FrmOption &frmOption, Dialogs &dialogs, Link &link,
               SettingsStore &store);

  // mnuViewOption: the dialog, then 420 + 421 when the language changed.
  void mnuViewOption_Click();
  void Form_Load();
  // The port list text's number: 1 to 32, or -1.
  static int PortFromText(const QString &text);
  void ScanIntoList();
  void optSutiSyori_Click();
  void cmdOK_Click();
  // Pins the address in the entry field to the first number no device has.
  void cmdAddNetLine_Click();
  void close();

private:
  Module1 &m_;
  FrmMain &f_;
  FrmOption &o_;
  Dialogs &dialogs_;
  Link &link_;
  SettingsStore &store_;
  qint16 portAtOpening_ = 0;
};
