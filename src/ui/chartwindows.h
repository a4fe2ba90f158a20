#pragma once
#include "plotview.h"

#include <QWidget>

class IoHistory;
class MoveStats;
class Program;
class QLabel;
class QPushButton;

// Logic traces of the seven monitored signals over time, from the
// monitor's history: newest at the right while following, zoomed by the
// wheel or +/− about the pointer, a cursor that reads the states under the
// pointer, and two markers (click, Shift+click).
class TraceChart : public QWidget {
  Q_OBJECT
public:
  TraceChart(const IoHistory &history, QWidget *parent);

  PlotView view;
  // Where the traces are drawn: right of the names, above the axis.
  QRect plotArea() const;
  // The pointer over the traces, from their left edge; nullopt when it is
  // outside. Kept as a place, so that its time follows a scrolling chart.
  std::optional<double> cursorX;
  std::optional<qint64> cursor() const;
  void pointAt(qint64 ms);
  // The latest time seen: the run's clock while the monitor runs.
  qint64 now = 0;
  // The end mark's words: the monitor stopped, the line lost.
  QString stoppedText, lostText, axisUnit;

Q_SIGNALS:
  void viewChanged();

protected:
  void paintEvent(QPaintEvent *) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void leaveEvent(QEvent *) override;
  void wheelEvent(QWheelEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;

private:
  const IoHistory &history_;
};

// The cycle time of each move of a run, one point a move.
class RunChart : public QWidget {
public:
  RunChart(const MoveStats &stats, QWidget *parent);

protected:
  void paintEvent(QPaintEvent *) override;

private:
  const MoveStats &stats_;
};

// View > the I/O frame's Timeline…: the trace chart and its commands.
class TimelineWindow : public QWidget {
  Q_OBJECT
public:
  TimelineWindow(Program &program, QWidget *owner);
  TraceChart *chart() const { return chart_; }
  void refresh();

protected:
  void showEvent(QShowEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;

private:
  Program &p_;
  TraceChart *chart_;
  QLabel *readout_, *markers_, *dropped_;
};

// The move frame's Statistics…: the summaries of the last run and its chart.
class MoveStatsWindow : public QWidget {
  Q_OBJECT
public:
  MoveStatsWindow(Program &program, QWidget *owner);
  void refresh();

protected:
  void keyPressEvent(QKeyEvent *e) override;

private:
  Program &p_;
  QLabel *summary_;
  RunChart *chart_;
  QPushButton *csv_;
};
