#include "mainwindow.h"
#include "binder.h"
#include "commlogwindow.h"
#include "chartwindows.h"
#include "comparewindow.h"
#include "historywindow.h"
#include "lineswindow.h"
#include "program.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QGroupBox *frame(Control &c, QWidget *parent) {
  return static_cast<QGroupBox *>(make(c, parent));
}

QColor InputLit(0x30, 0xC0, 0x40);
QColor OutputLit(0xF0, 0x90, 0x20);
QColor AlarmLit(0xE0, 0x20, 0x20); // an alarm reads red wherever it shows
QColor UnknownLit(0x9A, 0x9A, 0x9A);

// A lit lamp over its unlit white lamp, with the signal name beside them.
// The white lamp takes the focus (Tab) for both.
void addLampPair(QGridLayout *grid, int column, Control &white, Control &lit, Control &label, QColor colour) {
  QWidget *parent = grid->parentWidget();
  auto *cell = new QGridLayout;
  QWidget *whiteLamp = make(white, parent), *litLamp = makeLamp(lit, colour, parent);
  whiteLamp->setFocusPolicy(Qt::StrongFocus);
  litLamp->setFocusProxy(whiteLamp);
  cell->addWidget(whiteLamp, 0, 0, Qt::AlignCenter);
  cell->addWidget(litLamp, 0, 0, Qt::AlignCenter);
  grid->addLayout(cell, 0, column, Qt::AlignCenter);
  grid->addWidget(make(label, parent), 1, column, Qt::AlignCenter);
  // Room to spare goes below the labels: a lamp keeps its label under it.
  grid->setRowStretch(2, 1);
}

// A window of its own, built when first asked for, then shown in front.
template <class W, class Make> void showWindow(W *&window, Make make) {
  if (!window)
    window = make();
  window->show();
  window->raise();
}

// Scrolls its page only when the screen is too small for it: it asks for
// the whole page where a plain scroll area asks for a part.
class PageArea : public QScrollArea {
public:
  QSize sizeHint() const override {
    return widget() ? widget()->sizeHint() + QSize(2 * frameWidth(), 2 * frameWidth())
                    : QScrollArea::sizeHint();
  }
};

} // namespace

MainWindow::MainWindow(Program &program) : p_(program) {
  FrmMain &f = p_.frmMain;
  binder::bind(f.form, this);
  connect(&p_, &Program::closeRequested, this, &QWidget::close);

  auto *tabs = new QTabWidget(this);
  // A screen smaller than a page (a large scale factor) scrolls the page
  // instead of pushing the window off the screen.
  auto scrolled = [](QWidget *page) {
    auto *area = new PageArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
  };
  // Polished now, a page not yet shown asks for the room it will need.
  for (QWidget *page : {buildMoveEditPage(), buildParameterPage()}) {
    page->ensurePolished();
    tabs->addTab(scrolled(page), QString());
  }
  binder::bind(f.SSTab1, tabs);
  setCentralWidget(tabs);

  buildMenus();
  buildStatusBar();

  // View > Communication Log: a window of its own, recording while open.
  p_.frmMain.mnuViewCommLog.onClick([this] {
    showWindow(logWindow_, [this] { return new CommLogWindow(p_.log(), p_.m, p_.dialogs, this); });
  });
  // File > Compare Parameter Files: modal, so no command runs beside it.
  p_.frmMain.mnuFileCompare.onClick([this] {
    showWindow(compareWindow_, [this] { return new CompareWindow(p_, this); });
  });
  // Controller > Lines and History: the plant's memory; a comparison of two
  // entries comes up in the comparison window.
  p_.frmMain.mnuContLines.onClick([this] {
    showWindow(linesWindow_, [this] { return new LinesWindow(p_, this); });
  });
  p_.frmMain.mnuContHistory.onClick([this] {
    showWindow(historyWindow_, [this] {
      return new HistoryWindow(p_, [this] { p_.frmMain.mnuFileCompare.click(); }, this);
    });
  });
  // The I/O timeline and the move statistics: windows of their own that
  // follow the monitor and the move test while they run.
  p_.frmMain.cmdIoTimeline.onClick([this] {
    showWindow(timelineWindow_, [this] { return new TimelineWindow(p_, this); });
  });
  p_.frmMain.cmdMoveStats.onClick([this] {
    showWindow(statsWindow_, [this] { return new MoveStatsWindow(p_, this); });
  });

  // Esc presses Stop while a move test runs, for an operator without the mouse.
  auto *stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(stop, &QShortcut::activated, this, [this] {
    if (p_.motion.isMoving())
      p_.frmMain.cmdSTOP.click();
  });
}

QWidget *MainWindow::buildMoveEditPage() {
  FrmMain &f = p_.frmMain;
  auto *page = new QWidget;
  auto *grid = new QGridLayout(page);

  // Operation data.
  QGroupBox *data = frame(f.Frame2, page);
  auto *dg = new QGridLayout(data);
  addRow(dg, 0, f.lblVel, f.comboVEL, &f.Label3);
  dg->addWidget(make(f.txtVEL, data), 0, 3);
  addRow(dg, 1, f.lblACC, f.comboACC, &f.Label4);
  dg->addWidget(make(f.txtACC, data), 1, 3);
  addRow(dg, 2, f.lblGear, f.txtGEAR, &f.Label5);
  addRow(dg, 3, f.lblDiv, f.txtDIVISION, &f.Label6);
  dg->addWidget(make(f.lblRot, data), 4, 0);
  auto *rot = new QHBoxLayout;
  rot->addWidget(make(f.optCW, data));
  rot->addWidget(make(f.optCCW, data));
  rot->addStretch();
  dg->addLayout(rot, 4, 1, 1, 2);
  dg->setColumnStretch(3, 1);
  dg->setRowStretch(5, 1);
  grid->addWidget(data, 0, 0);

  // Operation data commands.
  auto *commands = new QVBoxLayout;
  for (Control *c : {&f.cmdGetfromCt, &f.cmdLoadtoCt, &f.cmdFileOpen, &f.cmdSaveFile,
                     &f.cmdDataPrint, &f.cmdFilePrint}) {
    QWidget *b = make(*c, page);
    b->setMinimumHeight(30);
    commands->addWidget(b);
  }
  commands->addStretch();
  grid->addLayout(commands, 0, 1);

  // Move test.
  QGroupBox *move = frame(f.Frame1, page);
  auto *mg = new QGridLayout(move);
  mg->addWidget(make(f.cmdHOME, move), 0, 0);
  mg->addWidget(make(f.cmdMOVE, move), 0, 1);
  mg->addWidget(make(f.cmdSTOP, move), 0, 2);
  mg->addWidget(make(f.optCNT, move), 1, 0);
  mg->addWidget(make(f.optSTEP, move), 1, 1);
  auto *dwell = new QHBoxLayout;
  dwell->addWidget(make(f.chkTimerUse, move));
  dwell->addWidget(make(f.lblWait, move));
  QWidget *timer = make(f.txtTimer, move);
  timer->setMaximumWidth(60);
  dwell->addWidget(timer);
  dwell->addWidget(make(f.Label2, move));
  dwell->addStretch();
  mg->addLayout(dwell, 2, 0, 1, 3);
  mg->addWidget(make(f.cmdMoveStats, move), 3, 0, Qt::AlignLeft);
  mg->setRowStretch(4, 1);
  grid->addWidget(move, 1, 0);

  grid->addWidget(buildIoFrame(page), 1, 1);

  // Controller status.
  QGroupBox *status = frame(f.Frame3, page);
  auto *sl = new QHBoxLayout(status);
  sl->addWidget(makeLamp(f.imgAlarmUnknown, UnknownLit, status));
  sl->addWidget(makeLamp(f.imgAlarmGreen, InputLit, status));
  sl->addWidget(makeLamp(f.imgAlarmLed, AlarmLit, status));
  QWidget *text = make(f.lblstatus, status);
  text->setMinimumWidth(300);
  sl->addWidget(text, 1);
  sl->addWidget(make(f.cmdRESET, status));
  grid->addWidget(status, 2, 0, 1, 2);

  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  return page;
}

// The I/O monitor; its history is saved, and an output's lamp switched,
// from the frame's context menu.
QGroupBox *MainWindow::buildIoFrame(QWidget *page) {
  FrmMain &f = p_.frmMain;
  QGroupBox *io = frame(f.Frame4, page);
  io->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(io, &QWidget::customContextMenuRequested, this, [this, io](const QPoint &at) {
    QMenu menu(io);
    const QWidget *under = io->childAt(at);
    const Control *lamp = under ? p_.frmMain.find(under->objectName()) : nullptr;
    const int row = lamp ? p_.io.lampRow(*lamp) : -1;
    QAction *switchIt = nullptr;
    if (row >= 2) {
      switchIt = menu.addAction(p_.m.msg(5309) + u' ' + IoSignalName(row));
      switchIt->setEnabled(p_.io.IoMonitoring);
    }
    QAction *save = menu.addAction(p_.m.msg(5145));
    save->setEnabled(!p_.io.history().isEmpty());
    QAction *chosen = menu.exec(io->mapToGlobal(at));
    if (chosen && chosen == switchIt)
      p_.io.switchOutput(row);
    else if (chosen == save)
      p_.io.saveHistory();
  });
  auto *ig = new QGridLayout(io);
  auto *ioButtons = new QHBoxLayout;
  ioButtons->addWidget(make(f.cmdIoMonitor, io));
  ioButtons->addWidget(make(f.cmdIoTimeline, io));
  ioButtons->addStretch();
  ig->addLayout(ioButtons, 0, 0, 1, 2);
  ig->addWidget(make(f.Label9, io), 1, 0);
  QWidget *inputs = make(f.Picture1, io);
  auto *inGrid = new QGridLayout(inputs);
  addLampPair(inGrid, 0, f.imgWhiteIcon(0), f.imgInputStb, f.lblInputStb, InputLit);
  addLampPair(inGrid, 1, f.imgWhiteIcon(1), f.imgInputStop, f.lblInputStop, InputLit);
  inGrid->setColumnStretch(5, 1);
  ig->addWidget(inputs, 1, 1);
  ig->addWidget(make(f.Label10, io), 2, 0);
  QWidget *outputs = make(f.Picture3, io);
  auto *outGrid = new QGridLayout(outputs);
  addLampPair(outGrid, 0, f.imgWhiteIcon(20), f.imgOutputAlm, f.lblOutputAlm, AlarmLit);
  addLampPair(outGrid, 1, f.imgWhiteIcon(21), f.imgOutputRdy, f.lblOutputRdy, OutputLit);
  addLampPair(outGrid, 2, f.imgWhiteIcon(22), f.imgOutputInp, f.lblOutputInp, OutputLit);
  addLampPair(outGrid, 3, f.imgWhiteIcon(23), f.imgOutputOut1, f.lblOutputExp3, OutputLit);
  addLampPair(outGrid, 4, f.imgWhiteIcon(24), f.imgOutputOut2, f.lblOutputEXP4, OutputLit);
  outGrid->setColumnStretch(5, 1);
  ig->addWidget(outputs, 2, 1);
  ig->setColumnStretch(1, 1);
  return io;
}

// The special (SP) parameters, locked until the operator unlocks them.
QGroupBox *MainWindow::buildSpecialFrame(QWidget *page) {
  FrmMain &f = p_.frmMain;
  QGroupBox *sp = frame(f.framTokusyuPara, page);
  auto *sg = new QGridLayout(sp);
  sg->addWidget(make(f.chkTokuParaChange, sp), 0, 0, 1, 3);
  addRow(sg, 1, f.lblPgCheckTimer, f.txtPgCheckTimer);
  addRow(sg, 2, f.lblAutoHome, f.comboAutoHome);
  addRow(sg, 3, f.lblLsSerchTimer, f.txtLsSerchTimer);
  // Each option pair sits in a box of its own, as one group.
  auto pair = [sp](Control &a, Control &b) {
    auto *box = new QWidget(sp);
    auto *l = new QHBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(make(a, box));
    l->addWidget(make(b, box));
    l->addStretch();
    return box;
  };
  sg->addWidget(make(f.lblEmgLogic, sp), 4, 0);
  sg->addWidget(pair(f.optEmgLogic(0), f.optEmgLogic(1)), 4, 1);
  sg->addWidget(make(f.lblAlarmAutoClear, sp), 5, 0);
  sg->addWidget(pair(f.optAlarmAutoClear(1), f.optAlarmAutoClear(0)), 5, 1);
  sg->setRowStretch(6, 1);
  return sp;
}

QWidget *MainWindow::buildParameterPage() {
  FrmMain &f = p_.frmMain;
  auto *page = new QWidget;
  auto *grid = new QGridLayout(page);

  QGroupBox *home = frame(f.framHomePara, page);
  auto *hg = new QGridLayout(home);
  addRow(hg, 0, f.lblHomeOffset, f.txtHomeOffset, &f.lblHomeOffsetUnit);
  addRow(hg, 1, f.lblHomeVel, f.txtHomeVel, &f.lblHomeVelUnit);
  addRow(hg, 2, f.lblHomeOfsVel, f.txtHomeOfsVel, &f.lblHomeOfsVelUnit);
  hg->setRowStretch(3, 1);
  grid->addWidget(home, 0, 0);

  QGroupBox *axis = frame(f.framAxisPara, page);
  auto *ag = new QGridLayout(axis);
  addRow(ag, 0, f.lblAxisPulse, f.txtAxisPulse, &f.lblAxisPulseUnit);
  addRow(ag, 1, f.lblAxisAutoDrv, f.comboAxisAutoDrv);
  addRow(ag, 2, f.lblActSize, f.comboActSize);
  addRow(ag, 3, f.lblDenryu, f.txtDenryu, &f.lblDenryuUnit);
  ag->setRowStretch(4, 1);
  grid->addWidget(axis, 0, 1);

  QGroupBox *pg = frame(f.framPgPara, page);
  auto *pgg = new QGridLayout(pg);
  addRow(pgg, 0, f.lblPgFunc, f.comboPgFunc);
  addRow(pgg, 1, f.lblPgAlarm, f.txtPgAlarm, &f.lblPgAlarmUnit);
  pgg->setRowStretch(2, 1);
  grid->addWidget(pg, 0, 2);

  QGroupBox *etc = frame(f.framEtcPara, page);
  auto *eg = new QGridLayout(etc);
  addRow(eg, 0, f.lblHomeOut, f.comboHomeOut);
  addRow(eg, 1, f.lblInpLimit, f.txtInpLimit, &f.lblInpLimitUnit);
  addRow(eg, 2, f.lblBrake, f.comboBrake);
  eg->setRowStretch(3, 1);
  grid->addWidget(etc, 1, 0);

  grid->addWidget(buildSpecialFrame(page), 1, 1, 1, 2);

  // Transfers, verification and files of the parameter set.
  auto *transfer = new QTabWidget(page);
  for (int tab = 0; tab < 2; ++tab) {
    auto *w = new QWidget;
    auto *l = new QHBoxLayout(w);
    const QList<Control *> buttons =
        tab == 0 ? QList<Control *>{&f.cmdReadParaFile, &f.cmdSaveParaFile, &f.cmdConpareFile}
                 : QList<Control *>{&f.cmdParaRead, &f.cmdParaWrite, &f.cmdConpareCT};
    for (Control *c : buttons) {
      QWidget *b = make(*c, w);
      b->setMinimumHeight(30);
      l->addWidget(b);
    }
    transfer->addTab(w, QString());
  }
  binder::bind(f.SSTabPrm, transfer);
  grid->addWidget(transfer, 2, 0, 1, 2);

  auto *side = new QVBoxLayout;
  for (Control *c : {&f.cmdIniPrm, &f.cmdParaPrint, &f.cmdParaFilePrint})
    side->addWidget(make(*c, page));
  side->addWidget(make(f.chkStdMark, page));
  grid->addLayout(side, 2, 2);

  for (int c = 0; c < 3; ++c)
    grid->setColumnStretch(c, 1);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  return page;
}

void MainWindow::buildMenus() {
  FrmMain &f = p_.frmMain;
  const std::pair<Control *, QKeySequence::StandardKey> keys[] = {
      // Save As: the menu offers no plain Save.
      {&f.mnuFileOpen, QKeySequence::Open},   {&f.mnuFileSaveAs, QKeySequence::Save},
      {&f.mnuFilePrint, QKeySequence::Print}, {&f.mnuFileExit, QKeySequence::Quit},
      {&f.mnuHelpContents, QKeySequence::HelpContents}};
  QMenu *current = nullptr;
  for (Control *c : f.controls()) {
    switch (c->kind()) {
    case Control::Kind::Menu:
      current = menuBar()->addMenu(QString());
      binder::bind(*c, current);
      break;
    case Control::Kind::MenuItem:
      if (c->isVisible()) { // designed-hidden entries are left out
        QAction *a = current->addAction(QString());
        binder::bind(*c, a);
        for (const auto &[item, key] : keys)
          if (item == c)
            a->setShortcuts(key);
        // Not every platform names a key for quitting.
        if (c == &f.mnuFileExit && a->shortcuts().isEmpty())
          a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        // F1 is the key filter's, which knows when help is offered; the
        // menu only shows it.
        if (c == &f.mnuHelpContents)
          a->setShortcutContext(Qt::WidgetShortcut);
      }
      break;
    case Control::Kind::Separator:
      current->addSeparator();
      break;
    default:
      break;
    }
  }
}

void MainWindow::buildStatusBar() {
  FrmMain &f = p_.frmMain;
  QStatusBar *bar = statusBar();
  for (int i = 0; i < f.sbStatusBar.panelCount(); ++i) {
    auto *panel = new QLabel(bar);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(4, 0, 4, 0);
    if (i == 0) {
      // Messages may be cut short rather than widen the window off the screen.
      panel->setMinimumWidth(40);
      panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      bar->addWidget(panel, 1);
    }
    else
      bar->addPermanentWidget(panel);
  }
  binder::bind(f.sbStatusBar, bar);
  connect(&f, &FrmMain::commandStarted, bar, &QStatusBar::clearMessage);
  // Each command's outcome afresh, so that a long session keeps no history.
  connect(&f, &FrmMain::commandStarted, bar, [this] { p_.dialogs.startOutcome(); });

  // Lies over the status bar while shown.
  progress_ = static_cast<QProgressBar *>(make(f.ProgressBar1, bar));
  progress_->setTextVisible(false);
  connect(&f.ProgressBar1, &Control::changed, this, &MainWindow::placeProgressBar);
  bar->installEventFilter(this);
  placeProgressBar();
}

void MainWindow::placeProgressBar() {
  const Control &pb = p_.frmMain.ProgressBar1;
  const Control &sb = p_.frmMain.sbStatusBar;
  QStatusBar *bar = statusBar();
  const int inset = binder::toPixels(pb.top - sb.top, bar);
  progress_->setGeometry(0, inset, bar->width(), qMax(1, bar->height() - inset));
  if (pb.isVisible())
    progress_->raise();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *e) {
  if (watched == statusBar() && e->type() == QEvent::Resize)
    placeProgressBar();
  return QMainWindow::eventFilter(watched, e);
}

bool MainWindow::event(QEvent *e) {
  // No command has a status tip; the empty tips of menus and toolbars would
  // wipe the last result from the status line.
  if (e->type() == QEvent::StatusTip)
    return true;
  return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent *e) {
  if (!p_.mayClose()) {
    e->ignore();
    return;
  }
  p_.frmMain_Unload();
  e->accept();
  Q_EMIT p_.quitRequested();
}
