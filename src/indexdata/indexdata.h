#pragma once
#include "dialogs.h"
#include "document.h"
#include "indexrules.h"
#include "posirecord.h"

#include <QObject>
#include <functional>

class Dialogs;
class FrmMain;
class Link;
struct Module1;

// The operation data: the fields of the Data Edit frame with their entry
// rules, the position table, and the write to and read from the controller.
class IndexData : public QObject {
  Q_OBJECT
public:
  IndexData(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link);

  PosiRow PosiData;
  PosiRow PosiDataRecv;
  bool SuppressVelCalc = false;
  // Around the write, once the controller stands still: before it (false:
  // nothing is written, told) and after it (0: the controller holds it).
  std::function<bool()> beforeWrite;
  std::function<qint16()> afterWrite;
  bool GearLoading = false;
  // The file shown; edited by the operator since last written, read, saved
  // or opened.
  Document document;
  // Saves through the save-as command; true when saved. Set by the file layer.
  std::function<bool()> saveAs;
  // Before a read or a file replaces the fields: unsaved edits are offered
  // for saving (369). False when the operator stops it.
  bool askBeforeReplacing();

  // Main window load: the two lists and the hidden value fields; at its end
  // both lists at "1".
  void mainWindowLoad();
  void selectStartValues();

  qint16 PosiDataCheckAndTorikomi();
  qint16 PosiDataBlankCheck() const;
  qint16 PosiDataRangeCheck() const;
  // The first field out of range, named with its value and range; empty
  // when every field is in range.
  Told RangeFault() const;
  qint16 PosiDataTorikomi();
  void PosiDataCopy();

  // Fills the four fields and the direction from PosiData, as a read or an
  // open does; the change rules act on them.
  void showPosiData();
  // Sets both lists from the values on screen; false when a value has no
  // list item (the list then keeps its selection).
  bool setListsFromScreen(ListRule rule);

  // The operator commands; 0 when the data went over, 1 otherwise.
  qint16 LoadtoCtMain();
  qint16 cmdGetfromCt_Click();
  qint16 WritePosidataToCt();
  qint16 ReadPosidataFromCt();

  // Runs `fill` as code that fills the screen: not an edit by the operator.
  void filling(const std::function<void()> &fill);

private:
  // The five values the page shows, as a read tells them.
  QList<Outcome::Value> shownValues() const;
  qint16 LoadtoCtSeq();
  qint16 GetfromCtSeq();
  void comboVEL_Click();
  void comboACC_Click();
  void txtGEAR_Change();
  void txtDIVISION_Change();
  void fieldLeft(bool division);
  void operatorEdit();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  Link &link_;
  int filling_ = 0;
};
