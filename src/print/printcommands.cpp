#include "printcommands.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "frmprintselect.h"
#include "indexdata.h"
#include "module1.h"
#include "parameterfile.h"
#include "parameterpage.h"
#include "pdftarget.h"
#include "positionfile.h"
#include "reports.h"
#include "setrescaptions.h"

#include <QFileInfo>
#include <cmath>

PrintCommands::PrintCommands(Module1 &m, FrmMain &frmMain, FrmPrintSelect &select, Dialogs &dialogs,
                             IndexData &data, ParameterPage &page, ParameterFile &file)
    : m_(m), f_(frmMain), s_(select), dialogs_(dialogs), data_(data), page_(page), file_(file) {
  f_.cmdDataPrint.onClick([this] { PrintScreenData(); });
  f_.cmdFilePrint.onClick([this] { PrintFileData(); });
  f_.mnuFilePrint.onClick([this] { PrintFromMenu(); });
  f_.mnuFilePrintPreview.onClick([this] { PrintFromMenu(true); });
  f_.cmdParaPrint.onClick([this] { PrintParaScreen(); });
  f_.cmdParaFilePrint.onClick([this] { PrintParaFile(); });
  for (int i : s_.optPrintPosi.indices())
    s_.optPrintPosi(i).onClick([this] { optPrintPosi_Click(); });
  s_.cmdSelectPosiFile.onClick([this] { cmdSelectPosiFile_Click(); });
  s_.cmdPrintSet.onClick([this] { cmdPrintSet_Click(); });
  s_.cmdPrintCancel.onClick([this] { cmdPrintCancel_Click(); });
  s_.onCloseRequest = [this] { cmdPrintCancel_Click(); };
}

// --- The index data report -------------------------------------------------

qint16 PrintCommands::PrintScreenData() {
  const CommandLock locked(f_, {CommandLock::Group::DataCommand});
  PrintGrid = true;
  PrintFile = false;
  return printIndex(false);
}

qint16 PrintCommands::PrintFileData() {
  const CommandLock locked(f_, {CommandLock::Group::DataCommand});
  m_.FilePrintMode = 1;
  showPrintSelect();
  m_.FilePrintMode = 0;
  return PrintCancelled ? qint16(1) : printIndex(false);
}

qint16 PrintCommands::PrintFromMenu(bool preview) {
  const CommandLock locked(f_, {CommandLock::Group::Commands});
  showPrintSelect();
  return PrintCancelled ? qint16(1) : printIndex(preview);
}

qint16 PrintCommands::printIndexFile(const QString &path) {
  PrintGrid = false;
  PrintFile = true;
  PrintFileName = path;
  return printIndex(false);
}

qint16 PrintCommands::printIndex(bool preview) {
  if (!target || !target->choose(preview))
    return 1;
  IndexLines lines;
  QString fileName;
  if (PrintGrid) {
    if (data_.PosiDataCheckAndTorikomi() == 1)
      return 1;
    data_.PosiDataRecv = data_.PosiData;
    lines.vel = f_.comboVEL.text();
    lines.rotation = f_.optCCW.isChecked() ? QStringLiteral("CCW") : QStringLiteral("CW");
  } else if (PrintFile) {
    if (positionfile::ReadPosiDataFile(PrintFileName, data_.PosiDataRecv, dialogs_, m_) == 1)
      return 1;
    const PosiRow &r = data_.PosiDataRecv;
    lines.vel = QString::number(std::lround(r[1].toDouble() * r[7].toDouble() / 300.0));
    lines.rotation = r[5].toInt() == 1 ? QStringLiteral("CCW") : QStringLiteral("CW");
    fileName = QFileInfo(PrintFileName).fileName();
  }
  const PosiRow &r = data_.PosiDataRecv;
  lines.acc = r[2].toString();
  lines.division = r[6].toString();
  lines.gear = r[7].toString();
  const bool any = PrintGrid || PrintFile;
  const Messages msg = m_.messages();
  target->print(
      [&](Page &page) {
        if (!any) {
          page.end(); // nothing chosen: only the end of the document
          return;
        }
        ReportWriter(page, msg).printIndexReport(lines, fileName);
      },
      preview);
  return 0;
}

// --- The parameter report --------------------------------------------------

qint16 PrintCommands::PrintParaScreen() {
  const CommandLock locked(f_, {CommandLock::Group::ParaCommand});
  qint16 result = 1;
  if (page_.BlankParaCheck() == 1) {
    dialogs_.message(m_.told({7, 8}));
  } else {
    page_.TorikomiParametaValue();
    if (!page_.valuesInRange())
      dialogs_.message(m_.told({1524, 1525}));
    else if (dialogs_.message(m_.told(684), Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) ==
             Dialogs::Answer::Ok)
      result = printParams(FillParaPrintList(page_.ParametaSet, QStringLiteral("INDICATED DATA"),
                                             m_.messages()),
                           false, false);
  }
  return result;
}

qint16 PrintCommands::PrintParaFile() {
  const CommandLock locked(f_, {CommandLock::Group::ParaCommand});
  qint16 result = 1;
  if (dialogs_.message(m_.told(682), Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) ==
      Dialogs::Answer::Ok) {
    const QString path =
        dialogs_.openFileName({m_.msg(683), m_.msg(1827), QString(), QStringLiteral("pmt")});
    if (!path.isEmpty())
      result = printParamFile(path);
  }
  return result;
}

qint16 PrintCommands::printParamFile(const QString &path) {
  const ParaRecordRead read = file_.readRecord(path);
  if (!read.record) {
    dialogs_.message(m_.told(681), Dialogs::Buttons::Ok, Dialogs::Icon::None, read.failure);
    return 1;
  }
  return printParams(FillParaPrintList(*read.record, QFileInfo(path).fileName(), m_.messages()), true, false);
}

qint16 PrintCommands::printParams(const QStringList &list, bool fromFile, bool preview) {
  if (!target || !target->choose(preview))
    return 1;
  const Messages msg = m_.messages();
  target->print([&](Page &page) { ReportWriter(page, msg).PrintParameters(list, fromFile); }, preview);
  return 0;
}

// --- The comparison report ------------------------------------------------

namespace {
void drawComparison(PrintTarget &target, const ParamCompare &compare, const Messages &msg) {
  const ParamCompare::Report r = compare.shown();
  const QString counts = compare.countsText();
  target.print([&](Page &page) { ReportWriter(page, msg, r.when).PrintComparison(r, counts); }, false);
}
} // namespace

qint16 PrintCommands::printComparison(const ParamCompare &compare) {
  if (!target || !target->choose(false))
    return 1;
  drawComparison(*target, compare, m_.messages());
  return 0;
}

qint16 PrintCommands::saveComparisonPdf(const ParamCompare &compare, QString pdfPath) {
  if (pdfPath.isEmpty())
    pdfPath = dialogs_.saveFileName({m_.msg(5264), m_.msg(5265), QStringLiteral("compare.pdf"),
                                     QStringLiteral("pdf")});
  if (pdfPath.isEmpty())
    return 1;
  PdfTarget pdf(pdfPath);
  dialogs_.setBusy(true);
  drawComparison(pdf, compare, m_.messages());
  dialogs_.setBusy(false);
  if (!pdf.failure.isEmpty()) {
    dialogs_.message(m_.told(5270).arg(QFileInfo(pdfPath).fileName()), Dialogs::Buttons::Ok,
                     Dialogs::Icon::None, pdfPath + QStringLiteral("\r\n") + pdf.failure);
    return 1;
  }
  return 0;
}

// --- frmPrintSelect ----------------------------------------------------------

void PrintCommands::showPrintSelect() {
  if (!selectLoaded_) {
    SetResCaptions(s_, m_.messages());
    selectLoaded_ = true;
  }
  PrintCancelled = PrintGrid = PrintFile = false;
  PrintFileName.clear();
  s_.lblPrintPosiName.setText(m_.msg(1822));
  const bool fileOnly = m_.FilePrintMode == 1;
  s_.optPrintPosi(0).setVisible(!fileOnly);
  s_.optPrintPosi(fileOnly ? 1 : 0).setChecked(true);
  optPrintPosi_Click();
  for (Control *hidden : {&s_.optPrintPara, &s_.lblPrintParaName, &s_.cmdSelectParaFile})
    hidden->setVisible(false);
  s_.showModal();
}

void PrintCommands::optPrintPosi_Click() {
  const bool file = s_.optPrintPosi(1).isChecked();
  s_.lblPrintPosiName.setEnabled(file);
  s_.cmdSelectPosiFile.setEnabled(file);
}

void PrintCommands::cmdSelectPosiFile_Click() {
  const QString path = dialogs_.openFileName({m_.msg(1828), m_.msg(351), QString(), m_.msg(51)});
  if (path.isEmpty())
    return;
  PrintFileName = path;
  s_.lblPrintPosiName.setText(QFileInfo(path).fileName());
}

void PrintCommands::cmdPrintSet_Click() {
  if (s_.optPrintPosi(0).isChecked()) {
    PrintGrid = true;
  } else {
    if (PrintFileName.isEmpty() || s_.lblPrintPosiName.text() == m_.msg(1822)) {
      dialogs_.message(m_.told(1824));
      return; // the dialog stays open
    }
    PrintFile = true;
  }
  s_.form.setVisible(false);
}

void PrintCommands::cmdPrintCancel_Click() {
  PrintCancelled = true;
  s_.form.setVisible(false);
}
