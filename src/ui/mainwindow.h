#pragma once
#include <QMainWindow>

class Program;
class QGroupBox;
class QProgressBar;
class QStatusBar;

// The main window's widgets, laid out and bound to the frmMain model.
class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(Program &program);
  class CommLogWindow *commLogWindow() const { return logWindow_; }
  class CompareWindow *compareWindow() const { return compareWindow_; }
  class TimelineWindow *timelineWindow() const { return timelineWindow_; }
  class MoveStatsWindow *statsWindow() const { return statsWindow_; }
  class LinesWindow *linesWindow() const { return linesWindow_; }
  class HistoryWindow *historyWindow() const { return historyWindow_; }

protected:
  void closeEvent(QCloseEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;
  bool event(QEvent *e) override;

private:
  QWidget *buildMoveEditPage();
  QWidget *buildParameterPage();
  QGroupBox *buildIoFrame(QWidget *page);
  QGroupBox *buildSpecialFrame(QWidget *page);
  void buildMenus();
  void buildStatusBar();
  void placeProgressBar();

  Program &p_;
  QProgressBar *progress_ = nullptr;
  class CommLogWindow *logWindow_ = nullptr;
  class CompareWindow *compareWindow_ = nullptr;
  class TimelineWindow *timelineWindow_ = nullptr;
  class MoveStatsWindow *statsWindow_ = nullptr;
  class LinesWindow *linesWindow_ = nullptr;
  class HistoryWindow *historyWindow_ = nullptr;
};
