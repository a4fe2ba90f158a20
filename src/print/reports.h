#pragma once
#include "messagetable.h"
#include "page.h"
#include "paramcompare.h"
#include "paramdiff.h"
#include "parametaset.h"

#include <QDateTime>
#include <QStringList>

// The page metrics of a report, in whole millimetres.
struct PrintMetrics {
  int CharH = 0;
  int LinePitch = 0;
  int RowsPerPage = 0;
  int LinesPerPage = 0;
  int PageBodyH = 0;
  int PageLinesH = 0;
  int RightEdge = 0;
  qint16 PageNo = 0;
};

// The five lines of the index data report, as texts.
struct IndexLines {
  QString vel, acc, division, gear, rotation;
};

// Draws the two reports on a page: the position is kept as the printer's
// current position, moving down one text line with each print.
class ReportWriter {
public:
  ReportWriter(Page &page, const Messages &msg, QDateTime now = QDateTime::currentDateTime());

  PrintMetrics m;

  void PrintInit();
  // `fileName` empty: the screen's data, no file line.
  void PrintHeader(const QString &fileName);
  void printIndexReport(const IndexLines &lines, const QString &fileName);
  // `list`: entries 0-16 of ParaPrintList.
  void PrintParameters(const QStringList &list, bool fromFile);
  // Two parameter sets side by side, by group, under both sources in full;
  // differing rows bold and marked "*", the count at the end, the page
  // number and the time of the comparison in each page's footer.
  void PrintComparison(const ParamCompare::Report &report, const QString &counts);

private:
  void setFont(double size, bool boldItalic);
  void print(double x, const QString &text); // at the current y
  // `text` in lines no wider than `width`, broken after a separator where one is near.
  QStringList wrap(const QString &text, double width);

  Page &page_;
  Messages msg_;
  QDateTime now_;
  PageFont font_;
  double y_ = 0;
};

// Entries 0-16 of ParaPrintList from a parameter set: the data name, then
// the printed values in report order.
QStringList FillParaPrintList(const ParametaRecord &p, const QString &dataName, const Messages &msg);
