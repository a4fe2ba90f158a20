#pragma once
#include "page.h"
#include "paramcompare.h"

#include <QObject>
#include <QString>

class Dialogs;
class FrmMain;
class FrmPrintSelect;
class IndexData;
class ParameterFile;
class ParameterPage;
struct Module1;

// The five print commands and the dialog that chooses what the index data
// report prints. The reports go to `target`: the printer, a preview or a PDF.
class PrintCommands : public QObject {
  Q_OBJECT
public:
  PrintCommands(Module1 &m, FrmMain &frmMain, FrmPrintSelect &select, Dialogs &dialogs, IndexData &data,
                ParameterPage &page, ParameterFile &file);

  PrintTarget *target = nullptr;

  // What frmPrintSelect chose, kept after it closes.
  bool PrintCancelled = false;
  bool PrintGrid = false;
  bool PrintFile = false;
  QString PrintFileName;

  qint16 PrintScreenData();
  qint16 PrintFileData();
  // File > Print, or File > Print Preview with `preview`.
  qint16 PrintFromMenu(bool preview = false);
  qint16 PrintParaScreen();
  qint16 PrintParaFile();

  // The reports of a file without the dialogs that choose it (kov-t6-cli).
  qint16 printIndexFile(const QString &path);
  qint16 printParamFile(const QString &path);

  // The comparison report of what the compare window shows, on `target`,
  // or as a PDF at a path the save dialog (or `pdfPath`) names.
  qint16 printComparison(const ParamCompare &compare);
  qint16 saveComparisonPdf(const ParamCompare &compare, QString pdfPath = {});

  // frmPrintSelect.
  void showPrintSelect();
  void optPrintPosi_Click();
  void cmdSelectPosiFile_Click();
  void cmdPrintSet_Click();
  void cmdPrintCancel_Click();

private:
  // Steps 1 to 6 of the index data report, the source chosen.
  qint16 printIndex(bool preview);
  qint16 printParams(const QStringList &list, bool fromFile, bool preview);

  Module1 &m_;
  FrmMain &f_;
  FrmPrintSelect &s_;
  Dialogs &dialogs_;
  IndexData &data_;
  ParameterPage &page_;
  ParameterFile &file_;
  bool selectLoaded_ = false;
};
