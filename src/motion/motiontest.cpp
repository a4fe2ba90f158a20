#include "motiontest.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "hexpad.h"
#include "link.h"
#include "module1.h"
#include "motionrules.h"

#include <QCoreApplication>
#include <QEventLoop>

MotionTest::MotionTest(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link)
    : m_(m), f_(frmMain), dialogs_(dialogs), link_(link) {
  for (QTimer *t : {&Timer2, &mmsecTimer}) {
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer); // a dwell must not end early
  }
  connect(&Timer2, &QTimer::timeout, this, [this] {
    DwellDone = true;
    wake();
  });
  connect(&mmsecTimer, &QTimer::timeout, this, [this] {
    m_.MmsecDone = true;
    wake();
  });
  // Closing the program ends every wait; no command follows the one in flight.
  connect(&link_, &Link::ended, this, [this] {
    ended_ = true;
    StopRequest = true;
    homeStop_ = true;
    wake();
  });
  f_.cmdHOME.onClick([this] { cmdHOME_Click(); });
  f_.cmdMOVE.onClick([this] { cmdMOVE_Click(); });
  f_.cmdSTOP.onClick([this] { cmdSTOP_Click(); });
  timerKeys();
}

void MotionTest::timerKeys() {
  Control &box = f_.txtTimer;
  box.onKeyPress([&box](int key) {
    const entry::KeyResult r = motion::TimerKey(key, box.text(), box.selLength);
    if (r.focusNext)
      box.requestFocusNext();
    return r.key;
  });
  box.onChange([&box] { box.setText(motion::TimerChange(box.text())); });
  box.onLostFocus([&box] { box.setText(motion::TimerLeave(box.text())); });
}

void MotionTest::sleepUntil(const std::function<bool()> &done) {
  while (!done()) {
    QEventLoop loop;
    sleep_ = &loop;
    loop.exec();
    sleep_ = nullptr;
  }
}

void MotionTest::wake() {
  if (sleep_)
    sleep_->quit();
}

qint16 MotionTest::MovePoint(int point) {
  if (point < 0 || point > 63)
    return 1;
  return link_.CommTransaction("0MP", 7, HexPad(point, 2), 5000) == 1 ? 1 : 0;
}

void MotionTest::WaitMs(int ms) {
  m_.MmsecDone = false;
  mmsecTimer.setInterval(ms);
  mmsecTimer.start();
  sleepUntil([this] { return m_.MmsecDone || ended_; });
  mmsecTimer.stop();
  m_.MmsecDone = false;
}

// --- Homing -------------------------------------------------------------------

// What must not be used while homing, in its order (Home itself stays).
QList<Control *> MotionTest::homingGroup() const {
  return {&f_.cmdFileOpen, &f_.cmdSaveFile, &f_.cmdLoadtoCt, &f_.cmdGetfromCt,
          &f_.cmdDataPrint, &f_.cmdFilePrint, &f_.Frame2, &f_.cmdIoMonitor, &f_.Frame4,
          &f_.cmdRESET, &f_.cmdMOVE, &f_.cmdSTOP, &f_.optSTEP, &f_.optCNT, &f_.chkTimerUse};
}

void MotionTest::HOMEBTN_Muko() { FrmMain::setAll(homingGroup(), false); }
void MotionTest::HOMEBTN_Yuko() { FrmMain::setAll(homingGroup(), true); }

qint16 MotionTest::cmdHOME_Click() {
  // Home stays usable while homing polls: a second press stops the waiting
  // (the controller finishes its homing on its own).
  if (homing_) {
    homeStop_ = true;
    dialogs_.status(m_.told(5141));
    return 1;
  }
  homing_ = true;
  homeStop_ = false;
  HOMEBTN_Muko();
  f_.SSTab1.setTabEnabled(1, false);
  CommandLock menus(f_, {CommandLock::Group::Menus});
  f_.cmdRESET.setEnabled(false);
  const qint16 result = SelectMove();
  link_.CommPortRelease();
  HOMEBTN_Yuko();
  f_.SSTab1.setTabEnabled(1, true);
  menus.release();
  homing_ = false;
  if (result == 0)
    dialogs_.done(m_.told(5140));
  Q_EMIT homingEnded(result == 0);
  return result;
}

qint16 MotionTest::SelectMove() {
  if (link_.CommPortOpen() == 1 || link_.CommCheck() == 1)
    return 1;
  if (MovePoint(0) == 1) {
    link_.CommPortRelease();
    f_.cmdHOME.setEnabled(true);
    if (link_.JusinData.startsWith("0%%"))
      link_.ReportErrorReply(link_.JusinData);
    return 1;
  }
  dialogs_.status(m_.told(5216));
  for (;;) {
    QCoreApplication::processEvents();
    link_.Polling = true;
    const qint16 status = link_.ReadCtStatus();
    link_.Polling = false;
    if (status == 1)
      return 0;
    if (status == -1) {
      link_.CommPortRelease();
      return 1;
    }
    if (homeStop_)
      return 1;
  }
}

// --- Move test ----------------------------------------------------------------

void MotionTest::MoveCMDBTN_Muko() {
  for (Control *c : {&f_.optCNT, &f_.optSTEP, &f_.cmdMOVE, &f_.chkTimerUse, &f_.txtTimer, &f_.cmdHOME,
                     &f_.cmdFileOpen, &f_.cmdSaveFile, &f_.cmdLoadtoCt, &f_.cmdGetfromCt, &f_.cmdDataPrint,
                     &f_.cmdFilePrint, &f_.Frame2, &f_.cmdIoMonitor, &f_.Frame4, &f_.cmdRESET})
    c->setEnabled(false);
}

void MotionTest::MoveCMDBTN_Yuko() {
  for (Control *c : {&f_.cmdMOVE, &f_.optCNT, &f_.optSTEP, &f_.chkTimerUse, &f_.txtTimer, &f_.cmdHOME,
                     &f_.cmdFileOpen, &f_.cmdSaveFile, &f_.cmdLoadtoCt, &f_.cmdGetfromCt, &f_.cmdDataPrint,
                     &f_.cmdFilePrint, &f_.Frame2, &f_.cmdIoMonitor, &f_.Frame4, &f_.cmdRESET})
    c->setEnabled(true);
}

qint16 MotionTest::cmdMOVE_Click() {
  if (moving_ || homing_)
    return 1;
  moving_ = true;
  MoveCMDBTN_Muko();
  f_.cmdRESET.setEnabled(false);
  f_.SSTab1.setTabEnabled(1, false);
  CommandLock menus(f_, {CommandLock::Group::Menus});
  const qint16 result = RunMoveTest();
  // An error reply to a move or a status poll leaves the port open.
  link_.CommPortRelease();
  MoveCMDBTN_Yuko();
  f_.SSTab1.setTabEnabled(1, true);
  f_.cmdRESET.setEnabled(true);
  menus.release();
  moving_ = false;
  Q_EMIT runEnded();
  return result;
}

qint16 MotionTest::RunMoveTest() {
  const QString dwell = f_.txtTimer.text() == u"0" ? QString() : f_.txtTimer.text();
  const qint16 status = link_.ReadCtStatus();
  if (status != 1 && status != 2) {
    link_.CommPortRelease();
    // A failed read has been told; a busy controller is told here.
    if (status == 0 || status == 3)
      dialogs_.status(m_.told(status == 0 ? 5190 : 5191));
    return 1;
  }
  if (f_.optCNT.isChecked() && StopRequest)
    StopRequest = false;
  QElapsedTimer cycle;
  for (int number = 1;; ++number) {
    // A cycle runs from one move command to the next.
    if (number > 1)
      Q_EMIT cycleCompleted(number - 1, cycle.elapsed());
    cycle.start();
    if (MovePoint(1) == 1)
      return 1;
    WaitMs(100);
    for (;;) {
      QCoreApplication::processEvents();
      link_.Polling = true;
      const qint16 s = link_.ReadCtStatus();
      link_.Polling = false;
      if (s == -1)
        return 1;
      if (s == 1 || s == 2)
        break;
    }
    Q_EMIT moveCompleted(number, cycle.elapsed());
    if (StopRequest || !f_.optCNT.isChecked())
      break;
    if (f_.chkTimerUse.isChecked()) {
      DwellDone = dwell.isEmpty();
      if (!DwellDone) {
        Timer2.setInterval(motion::DwellMs(dwell));
        Timer2.start();
      }
    } else {
      DwellDone = true;
    }
    sleepUntil([this] { return DwellDone || StopRequest; });
    Timer2.stop();
    if (!f_.optCNT.isChecked() || StopRequest)
      break;
  }
  link_.CommPortRelease();
  return 0;
}

void MotionTest::cmdSTOP_Click() {
  if (f_.cmdMOVE.isEnabled())
    return;
  StopRequest = true;
  wake();
}
