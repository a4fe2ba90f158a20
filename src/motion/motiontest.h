#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class Control;
class Dialogs;
class FrmMain;
class Link;
class QEventLoop;
struct Module1;

// The move test of the main window: homing, one index move or moves one
// after another with a dwell between them, and the stop that ends a run.
// Every wait sleeps in an event loop that a timer, a reply or Stop ends.
class MotionTest : public QObject {
  Q_OBJECT
public:
  MotionTest(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link);

  bool StopRequest = false;
  bool DwellDone = false;
  QTimer Timer2;     // the dwell
  QTimer mmsecTimer; // the short wait before the first status read

  // "0MP" with the point as two hex digits; 1 and nothing sent outside 0..63.
  qint16 MovePoint(int point);
  void WaitMs(int ms);

  qint16 cmdHOME_Click();
  qint16 SelectMove();
  void HOMEBTN_Muko();
  void HOMEBTN_Yuko();

  qint16 cmdMOVE_Click();
  qint16 RunMoveTest();
  void MoveCMDBTN_Muko();
  void MoveCMDBTN_Yuko();

  void cmdSTOP_Click();

  bool isHoming() const { return homing_; }
  bool isMoving() const { return moving_; }

Q_SIGNALS:
  // A move of the run is complete: its number in the run and the time from
  // its move command to the controller reporting it stopped.
  void moveCompleted(int number, qint64 ms);
  void homingEnded(bool reached);
  // The time from a move's command to the next move's command.
  void cycleCompleted(int number, qint64 ms);
  // A move command (one move or a run) has ended.
  void runEnded();

private:
  // Sleeps until `done` holds; anything that may make it hold quits the loop.
  QList<Control *> homingGroup() const;
  void sleepUntil(const std::function<bool()> &done);
  void wake();
  void timerKeys();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  Link &link_;
  QEventLoop *sleep_ = nullptr;
  bool homing_ = false;
  bool homeStop_ = false; // a second press of Home: stop waiting
  bool moving_ = false;
  bool ended_ = false; // the program is ending
};
