#pragma once
#include <QObject>
#include <memory>

class Dialogs;
class FrmMain;
class FrmOption;
class Link;
class PortProbe;
class SettingsStore;
struct Module1;

// View > Options: the serial port (with the device behind each number), the
// port held open, the language, the display options, the safe write and
// where the history is kept.
class OptionDialog : public QObject {
  Q_OBJECT
public:
  OptionDialog(Module1 &m, FrmMain &frmMain, FrmOption &frmOption, Dialogs &dialogs, Link &link,
               SettingsStore &store);
  ~OptionDialog() override;

  // mnuViewOption: the dialog, then 420 + 421 when the language changed.
  void mnuViewOption_Click();
  void Form_Load();
  // The port list text's number: 1 to 32, or -1.
  static int PortFromText(const QString &text);
  // Starts the probe of every number; the list shows each as it ends,
  // a network line as checking until then. Never waits.
  void ScanIntoList();
  // The probe now running or last ended; null when the dialog is closed.
  PortProbe *probe() const { return probe_.get(); }
  void optSutiSyori_Click();
  void cmdOK_Click();
  // Pins the address in the entry field to the first number no device has;
  // the status line tells what its probe found once it has ended.
  void cmdAddNetLine_Click();
  void close();

Q_SIGNALS:
  // OK changed the port number in use.
  void portChanged();

private:
  // The safe write and the history's address stored; false when refused.
  bool takeMemory();
  void fillList(int chosen);
  QString itemText(int n) const;
  bool listed(int n) const;
  void tellAdded();
  void dropProbe();

  Module1 &m_;
  FrmMain &f_;
  FrmOption &o_;
  Dialogs &dialogs_;
  Link &link_;
  SettingsStore &store_;
  qint16 portAtOpening_ = 0;
  std::unique_ptr<PortProbe> probe_;
  int added_ = 0; // the number Add pinned, told when its probe ends

};
