#pragma once
#include "devicedialog.h"
#include "document.h"
#include "parametaset.h"
#include "stdlists.h"

#include <QObject>
#include <functional>

class Control;
class Dialogs;
class FrmDevice;
class FrmMain;
struct Module1;

// The parameter page of the main window: the parameter set and the page
// that shows it, the entry rules of its boxes, the actuator list and the
// standard parameters loaded through the device dialog.
class ParameterPage : public QObject {
  Q_OBJECT
public:
  ParameterPage(Module1 &m, FrmMain &frmMain, FrmDevice &frmDevice, Dialogs &dialogs);

  // The single copy of the controller's parameters.
  ParametaRecord ParametaSet;

  DeviceChoice DevChoice;
  bool DevPgUse = false;      // an encoder is fitted
  bool DevPgEditable = false; // the device mode lets the operator choose the encoder
  bool DotSeen = false;       // txtDenryu holds a decimal point
  QString EditText;           // work text of the lost-focus rules

  // The device list: records in file order, their distinct size parts.
  QList<stdlists::DevRecord> DevList;
  int DevCount = 0;
  QStringList DevSizes;
  int DevSizeLast = -1;

  // Standard values: HOME and AXIS fixed here, the other groups from the list.
  ParametaRecord StdCommon;
  stdlists::StdGroupTable StdGroup;

  // Where the list files are read from: the program's folder.
  QString listFolder;

  DeviceDialog frmDeviceDialog;

  // The file shown; edited by the operator since last read, written,
  // saved or opened.
  Document document;
  // Saves through the save-as command; true when saved. Set by the file layer.
  std::function<bool()> saveAs;
  // Before the page is replaced (a file, a read, standard values): unsaved
  // edits are offered for saving first. False when the operator stops it.
  bool askBeforeReplacing();

  // Main window load: the parameter lists, the locked special group, the
  // tab captions, then the device list and the actuator sizes.
  void mainWindowLoad();

  void ParametaHyoji();
  // After TorikomiParametaValue: the first value the controller would not
  // take is named in the status line with its limits and its box gets the
  // focus; true when every value passes.
  bool valuesInRange();
  // Size SP with no current (empty or 0 A): never what the operator meant.
  bool currentMissing() const;
  // BlankParaCheck and the SP motor current, told as the operator must
  // hear it (7 + 8, or the current box named and focused); false refuses.
  bool screenComplete();
  void TorikomiParametaValue();
  // What TorikomiParametaValue would take in, the set and the page left alone.
  ParametaRecord screenRecord() const;
  qint16 BlankParaCheck() const;
  // CopyParaArray of a controller read into this page's set.
  void CopyParaArray(const ParametaList &a);

  qint16 ReadDevList();
  qint16 FindDevSize(const QString &size);
  qint16 HasEmptySizeItem() const;
  void InitActSize();
  qint16 ReadStdParaList();
  qint16 LoadStdPara();
  // The standard set of a size as the list gives it, without a message;
  // nullopt when the list cannot be used or the ActCode is not six long.
  std::optional<ParametaRecord> standardSet(const QString &size, bool encoder) const;
  void cmdIniPrm_Click();

  // Ticks "Change SP Parameter" as an operator who has confirmed the change
  // (the command-line tool, which has no one to ask).
  void unlockSpecialConfirmed();

  // Handlers of the page's controls.
  void chkTokuParaChange_Click();
  void comboActSize_Click();
  void txtDenryu_Change();

Q_SIGNALS:
  // A value on the page changed: the operator's edit, or a set shown.
  void valuesChanged();

private:
  QString rangeText(const ParamRange &r) const;
  void wireDigitBox(Control &box, int limit, bool zeroIsEmpty);
  void lockSpecial(bool locked);
  void showInCombo(Control &combo, int value);
  QString listPath(const char *file) const;
  // The text of a list file; nullopt when it cannot be read.
  std::optional<QString> readList(const char *file) const;

  // Marks the page edited whenever the operator changes one of its values.
  void watchEdits();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  int filling_ = 0; // code, not the operator, is filling the page
  bool confirmed_ = false; // the special group is unlocked without asking
};
