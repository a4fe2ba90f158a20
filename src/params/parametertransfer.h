#pragma once
#include <functional>
#include "parametaset.h"

#include <optional>
#include <QByteArray>
#include <QObject>

class Dialogs;
class FrmMain;
class FrmTrance;
class Link;
class ParameterPage;
struct Module1;

// The parameter set to and from the controller: blocks 0..2 for the set,
// block 7 for the current of the special actuator.
class ParameterTransfer : public QObject {
  Q_OBJECT
public:
  ParameterTransfer(Module1 &m, FrmMain &frmMain, FrmTrance &frmTrance, Dialogs &dialogs,
                    Link &link, ParameterPage &page);

  // Block 7 as last read by a write (its 32 digits and CR), so that the
  // bytes this program does not interpret go back unchanged.
  QByteArray Block7Data;

  // Around the blocks of a write, once the controller stands still: before
  // it (false: nothing is written, the caller has told why) and after it
  // (0: the controller holds what was written).
  std::function<bool()> beforeWrite;
  std::function<qint16()> afterWrite;

  // The operator commands: 0 when the parameters went over, 1 otherwise
  // (already reported).
  qint16 cmdParaRead_Click();
  qint16 cmdParaWrite_Click();

  qint16 GetParametaValue();
  // Blocks 0..2 as the numbered list, when all three replies are good.
  // Releases the port. nullopt: failed (already told).
  std::optional<ParametaList> ReadParaBlocks();
  qint16 GetSPdenryu();
  // The motor current count the controller holds in block 7; nullopt when
  // the read failed (already reported).
  std::optional<int> ReadCurrentCount();
  // The write behind cmdParaWrite: questions, checks, status, transfer, result.
  qint16 ParaWriteSeq();
  qint16 WriteParaToCt();

private:
  // Runs a transfer command inside the command groups' lock.
  qint16 transfer(qint16 (ParameterTransfer::*command)());
  void showTrance();
  void closeTrance();

  Module1 &m_;
  FrmMain &f_;
  FrmTrance &t_;
  Dialogs &dialogs_;
  Link &link_;
  ParameterPage &page_;
  bool tranceLoaded_ = false;
};
