#pragma once
#include "posirecord.h"

#include "dialogs.h"

#include <QObject>

class Dialogs;
class FrmMain;
class IndexData;
struct Module1;

// The position data file (".ztd"): three lines holding point 1.
namespace positionfile {
// The file's text from row 0 of the position table.
QByteArray Format(const PosiRow &row);
// Reads a file's record into columns 1, 2, 5, 6 and 7 of `recv`, which is
// changed only when the whole record was read. 0 read; 1 refused (another
// kind of file: messages 21 and 20) or damaged (message 3009).
qint16 ReadPosiDataFile(const QString &path, PosiRow &recv, Dialogs &dialogs, const Module1 &m);
} // namespace positionfile

// The save and open commands of the operation data.
class PositionFile : public QObject {
  Q_OBJECT
public:
  PositionFile(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, IndexData &data);

  void cmdSaveFile_Click();
  void mnuFileSaveAs_Click();
  // Check, save dialog, write; true when the file was written.
  bool SaveFileProc();
  // Writes the file whole or not at all; an existing file stays until the new
  // one is complete. False (and the operator told) when it failed.
  bool SaveFileAs(const QString &path);
  // 0 when a file was opened and shown; 1 also when it was shown but its
  // values have no list items (message 3009) or a value was removed by the
  // entry rules (said in the status line).
  qint16 FileOpenProc();
  qint16 OpenFileData();

private:
  Dialogs::FileDialog fileDialog(int title) const;
  qint16 ValueRemovedOnOpen();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  IndexData &data_;
};
