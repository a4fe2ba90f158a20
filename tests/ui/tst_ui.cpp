#include "binder.h"
#include "chartwindows.h"
#include "commlogwindow.h"
#include "comparewindow.h"
#include "keyfilter.h"
#include "parameterfile.h"
#include "qtdialogs.h"
#include "qtprinttarget.h"
#include "windowrig.h"
#include "windows.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QCheckBox>
#include <QRadioButton>

namespace {

// Counts the key presses that reach a widget.
struct KeyCounter : QObject {
  int presses = 0;
  bool eventFilter(QObject *, QEvent *e) override { presses += e->type() == QEvent::KeyPress; return false; }
};

// The modal box open after `msecs` is noted, then closed as the operator would.
void closeNextBox(QObject *context, std::function<void(QWidget *)> note, int msecs = 0) {
  QTimer::singleShot(msecs, context, [note] {
    if (QWidget *box = QApplication::activeModalWidget()) {
      note(box);
      box->close();
    }
  });
}

// What shows above a signal's name: its lamp, lit or white, as the operator's mouse finds it.
QWidget *lampAbove(QWidget *name) {
  QWidget *lamp = nullptr;
  for (int y = name->y() - 1; y >= 0 && !lamp; --y)
    lamp = name->parentWidget()->childAt(name->geometry().center().x(), y);
  return lamp;
}

} // namespace

class tst_Ui : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void captionsReachTheWidgets_data() {
    QTest::addColumn<int>("languege");
    QTest::addColumn<QString>("yes"); // the toolkit's own
    QTest::newRow("Japanese") << 1 << u"はい(&Y)"_qs;
    QTest::newRow("English") << 2 << u"&Yes"_qs;
  }
  // Captions set in code and by Tag, the toolkit's own texts and the model's state reach the widgets.
  void captionsReachTheWidgets() {
    QFETCH(int, languege);
    WindowRig r{qint16(languege)};
    QCOMPARE(r.find<QTabWidget>("SSTab1")->tabText(0), kt::msg(938, languege));
    QCOMPARE(r.find<QPushButton>("cmdRESET")->text(), kt::msg(286, languege));
    QCOMPARE(r.find<QPushButton>("cmdParaRead")->text(), kt::msg(613, languege));
    QCOMPARE(r.find<QLabel>("lblDenryu")->text(), kt::msg(5218, languege));
    for (const char *option : {"optEmgLogic(0)", "optEmgLogic(1)", "optAlarmAutoClear(0)", "optAlarmAutoClear(1)"}) {
      auto *b = r.find<QRadioButton>(option); // every option of the pairs, with its caption
      QVERIFY2(b && !b->text().isEmpty() && b->text() == r.p.frmMain.find(option)->text(), option);
    }
    QVERIFY(!r.find<QAction>("mnuFileNew") && r.find<QAction>("mnuFileExit")); // designed-hidden: left out
    auto *gear = r.find<QLineEdit>("txtGEAR");
    r.p.frmMain.CMDBTN_Muko();
    QVERIFY(!gear->isEnabled()); // held by its disabled frame
    r.p.frmMain.CMDBTN_Yuko();
    QVERIFY(gear->isEnabled());
    QtDialogs boxes([] { return false; });
    boxes.useLanguege(qint16(languege));
    QStringList buttons;
    closeNextBox(this, [&buttons](QWidget *box) {
      for (QAbstractButton *b : qobject_cast<QMessageBox *>(box)->buttons())
        buttons << b->text();
    });
    boxes.message(u"?"_qs, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, {});
    QFETCH(QString, yes);
    QVERIFY2(buttons.contains(yes), qPrintable(buttons.join(u'|')));
  }

  void f1Handling_data() {
    QTest::addColumn<int>("languege");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<bool>("viewer"); // the desktop opens documents
    QTest::addColumn<QString>("opened");
    QTest::addColumn<int>("told"); // the message shown; 0: none
    QTest::newRow("Japanese manual") << 1 << true << true << "kov-t6-ja.html" << 0;
    QTest::newRow("English manual") << 2 << true << true << "kov-t6-en.html" << 0;
    QTest::newRow("Japanese, none") << 1 << false << true << "" << 414;
    QTest::newRow("English, none: dropped") << 2 << false << true << "" << 0;
    QTest::newRow("English, no viewer") << 2 << true << false << "" << 5212;
  }
  // F1 opens the language's manual, never reaching the box; without one, only Japanese tells.
  void f1Handling() {
    QFETCH(int, languege);
    QFETCH(bool, manual);
    QFETCH(bool, viewer);
    QFETCH(int, told);
    WindowRig r{qint16(languege)};
    QString opened;
    r.p.openDocument = [&opened, viewer](const QString &path) {
      if (viewer)
        opened = QFileInfo(path).fileName();
      return viewer;
    };
    KeyFilter filter(r.p, nullptr);
    qApp->installEventFilter(&filter);
    if (!manual) {
      r.p.helpPath = kt::path("no-manual.html");
      r.p.offerHelp();
    }
    auto *gear = r.find<QLineEdit>("txtGEAR");
    KeyCounter counter;
    gear->installEventFilter(&counter);
    QTest::keyClick(gear, Qt::Key_F1);
    qApp->removeEventFilter(&filter);
    QCOMPARE(counter.presses, 0);
    QTEST(opened, "opened");
    QCOMPARE(r.dialogs.shown.value(0), told == 0 ? QString() : told == 414 ? kt::msg(414, 1)
                                                                          : kt::msg(5212).arg(QDir::toNativeSeparators(r.p.helpPath)));
    QCOMPARE(r.p.frmMain.mnuHelpContents.isVisible(), manual || languege == 1);
  }

  // Keys typed into the real box meet its key rules: one they refuse never reaches it.
  void keyRulesThroughTheWidgets() {
    WindowRig r;
    QApplication::setActiveWindow(&r.w);
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    r.p.frmMain.SSTab1.setCurrentTab(1);
    auto *velocity = r.find<QLineEdit>("txtHomeVel");
    velocity->setFocus();
    QTest::keyClick(velocity, 'x');
    QTest::keyClick(velocity, '5');
    QCOMPARE(velocity->text(), u"5"_qs);
    r.p.frmMain.SSTab1.setCurrentTab(0);
    auto *division = r.find<QLineEdit>("txtDIVISION");
    division->setFocus();
    QTest::keyClicks(division, "1x01");
    QCOMPARE(division->text(), QString()); // 101 is above 100: removed
    QTest::keyClick(division, '8');
    QCOMPARE(division->text() + r.p.frmMain.txtDIVISION.text(), u"88"_qs);
    QTest::keyClick(division, Qt::Key_Return);
    QVERIFY(r.find<QPushButton>("cmdLoadtoCt")->hasFocus());
  }

  void pasteGoesThroughTheKeyRules_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("after");
    QTest::newRow("Ctrl+V, minus refused") << "txtInpLimit" << "" << "ctrl+v" << "-5" << "5";
    QTest::newRow("Shift+Insert") << "txtHomeVel" << "" << "shift+insert" << "x3y" << "3";
    QTest::newRow("Ctrl+V, length kept") << "txtDIVISION" << "9" << "ctrl+v" << "9999" << "99";
    QTest::newRow("context menu Paste") << "txtInpLimit" << "" << "menu" << "-12" << "12";
    QTest::newRow("context menu Cut") << "txtGEAR" << "34" << "menu" << "" << "";
    QTest::newRow("drop") << "txtGEAR" << "" << "drop" << "a7" << "7";
    QTest::newRow("Ctrl+X") << "txtDIVISION" << "12" << "ctrl+x" << "" << "";
  }
  // Text that arrives without typing meets the same key rules as typing.
  void pasteGoesThroughTheKeyRules() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(QString, how);
    QFETCH(QString, clipboard);
    WindowRig r;
    Control *model = r.p.frmMain.find(box);
    model->setText(before);
    auto *edit = r.find<QLineEdit>(box);
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    r.p.frmMain.SSTab1.setCurrentTab(box == u"txtDIVISION"_qs || box == u"txtGEAR"_qs ? 0 : 1);
    edit->setFocus();
    edit->end(false);
    QGuiApplication::clipboard()->setText(clipboard);
    if (how == u"ctrl+v"_qs) {
      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else if (how == u"shift+insert"_qs) {
      QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (how == u"ctrl+x"_qs) {
      edit->selectAll();
      QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
      QCOMPARE(QGuiApplication::clipboard()->text(), before);
    } else if (how == u"menu"_qs) {
      const bool cut = clipboard.isEmpty();
      if (cut)
        edit->selectAll();
      QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
      QCoreApplication::sendEvent(edit, &event);
      auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
      QVERIFY(menu);
      for (QAction *a : menu->actions())
        if (a->text().startsWith(cut ? QLineEdit::tr("Cu&t") : QLineEdit::tr("&Paste")))
          a->trigger();
      menu->close();
      QCOMPARE(QGuiApplication::clipboard()->text(), cut ? before : clipboard);
    } else {
      QMimeData data;
      data.setText(clipboard);
      const QPoint at(edit->width() - 2, 2);
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &enter);
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &drop);
    }
    QTEST(edit->text(), "after");
    QTEST(model->text(), "after");
  }

  void leaveRuleOnlyOnMovingOn_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("after");
    QTest::newRow("another window") << int(Qt::ActiveWindowFocusReason) << "1";
    QTest::newRow("a menu") << int(Qt::PopupFocusReason) << "1";
    QTest::newRow("the menu bar") << int(Qt::MenuBarFocusReason) << "1";
    QTest::newRow("Tab to the next field") << int(Qt::TabFocusReason) << "";
    QTest::newRow("a click on another field") << int(Qt::MouseFocusReason) << "";
  }
  // A division of 1 is emptied on leaving the field, not when a window or menu takes the focus.
  void leaveRuleOnlyOnMovingOn() {
    QFETCH(int, reason);
    WindowRig r;
    r.p.frmMain.txtDIVISION.setText("1");
    QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
    QCoreApplication::sendEvent(r.find<QLineEdit>("txtDIVISION"), &out);
    QTEST(r.p.frmMain.txtDIVISION.text(), "after");
  }

  // A command's result outlasts a menu's hover and goes when the next command starts.
  void statusLineKeepsTheResult() {
    WindowRig r;
    QtDialogs boxes([] { return false; });
    boxes.setOwner(&r.w);
    boxes.done(kt::msg(5103).arg("a.ztd"));
    QStatusTipEvent hover{QString()};
    QCoreApplication::sendEvent(r.w.menuBar(), &hover);
    QCOMPARE(r.w.statusBar()->currentMessage(), kt::msg(5103).arg("a.ztd"));
    r.p.frmMain.mnuShowCtversion.click();
    QCOMPARE(r.w.statusBar()->currentMessage(), QString());
  }

  void mainWindowWholeOnTheScreen_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("designed place") << "1000" << false;
    QTest::newRow("far off to the right") << "90000" << false;
    QTest::newRow("maximised") << "1000" << true;
  }
  // Larger than this screen as designed, the window still opens whole on it.
  void mainWindowWholeOnTheScreen() {
    QFETCH(QString, left);
    QFETCH(bool, maximized);
    WindowRig r(2, false);
    kt::settings({{"MainLeft", left}, {"MainMaximized", maximized ? "1" : "0"}});
    r.p.Main(false);
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    const QRect screen = r.w.screen()->availableGeometry();
    QVERIFY2(screen.contains(r.w.frameGeometry()), qPrintable(QDebug::toString(r.w.frameGeometry())));
    QCOMPARE(r.w.isMaximized(), maximized);
  }

  // Esc presses Stop while a run goes on, and only then.
  void escapeStopsAMoveTest() {
    WindowRig r;
    r.line.sim()->setTimeScale(0.01);
    QApplication::setActiveWindow(&r.w);
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    QTest::keyClick(&r.w, Qt::Key_Escape); // idle: nothing to stop
    QVERIFY(!r.p.motion.StopRequest);
    connect(&r.p.motion, &MotionTest::moveCompleted, this, [&r](int n) {
      if (n == 2)
        QTimer::singleShot(0, &r.w, [&r] { QTest::keyClick(&r.w, Qt::Key_Escape); });
    });
    r.p.frmMain.optCNT.setChecked(true);
    QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
    QCOMPARE(int(r.line.sim()->receivedLines().count("0MP01")), 3); // the third started before Esc
  }

  // File > Print Preview: the data chosen (the screen), the preview of its pages shown.
  void printPreviewDrawsTheReport() {
    WindowRig r;
    QtPrintTarget printer(&r.w);
    r.p.print.target = &printer;
    r.p.frmMain.txtGEAR.setText("10");
    r.p.frmMain.txtDIVISION.setText("8");
    QString shown;
    QTimer::singleShot(0, this, [&] {
      r.p.frmPrintSelect.cmdPrintSet.click();
      closeNextBox(this, [&shown](QWidget *box) { shown = box->metaObject()->className(); }, 200);
    });
    r.find<QAction>("mnuFilePrintPreview")->trigger();
    QCOMPARE(shown, u"QPrintPreviewDialog"_qs);
    QVERIFY(r.p.frmMain.mnuFile.isEnabled() && r.p.frmMain.cmdDataPrint.isEnabled());
  }

  // The log holds a read's lines, counts hidden polls as they come, and closed records nothing.
  void communicationLog() {
    WindowRig r;
    r.p.frmMain.mnuViewCommLog.click();
    CommLogWindow *log = r.w.commLogWindow();
    QVERIFY(log && log->isVisible());
    QStringList captions; // each its own, from the table
    for (const QAbstractButton *b : log->findChildren<QAbstractButton *>())
      if (!b->text().startsWith(u'#') && !captions.contains(b->text()))
        captions << b->text();
    QCOMPARE(captions.size(), 5);
    QVERIFY(log->findChildren<QPushButton *>().constFirst()->isCheckable()); // Pause stays down
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    const QStringList lines = log->text().split(u'\n');
    QVERIFY2(lines.size() >= 14, qPrintable(log->text())); // seven exchanges, each way
    QVERIFY(lines.first().endsWith(u"-> 0CM6"_qs));
    r.p.link.Polling = true;
    QCOMPARE(r.p.link.ReadCtStatus(), qint16(1));
    r.p.link.Polling = false;
    QTRY_COMPARE(log->findChild<QLabel *>("counts")->text(), kt::msg(5176).arg(2).arg(0));
    QCOMPARE(log->text().split(u'\n'), lines);
    log->close();
    const qsizetype kept = r.p.log().lines().size();
    QCOMPARE(r.p.paramTransfer.cmdParaRead_Click(), qint16(0));
    QCOMPARE(r.p.log().lines().size(), kept);
  }

  // The comparison window: the table follows the model and the filter, the
  // differing rows tinted; a marked box and a marked option carry the tint.
  void comparisonAndMarks() {
    WindowRig r;
    r.p.paramTransfer.cmdParaRead_Click();
    kt::writeFile(kt::path("a.pmt"), parafile::Format(r.p.params.screenRecord()));
    r.p.frmMain.txtPgAlarm.setText("150");
    r.p.frmMain.mnuFileCompare.click();
    CompareWindow *c = r.w.compareWindow();
    QVERIFY(c && c->isVisible() && c->isModal());
    r.dialogs.files << kt::path("a.pmt");
    c->findChildren<QPushButton *>().constFirst()->click(); // A's Choose…
    c->findChildren<QRadioButton *>().at(1)->click();        // B: the screen
    QCOMPARE(r.p.compare.run(), qint16(1));
    QCOMPARE(c->table()->rowCount(), 35);
    c->findChild<QCheckBox *>()->setChecked(true);
    QCOMPARE(c->table()->rowCount(), 1);
    QCOMPARE(c->table()->item(0, 3)->text(), u"150"_qs);
    QCOMPARE(c->table()->item(0, 0)->background().color(), binder::changedTint(c->table()));

    r.p.params.unlockSpecialConfirmed();
    r.p.frmMain.optEmgLogic(1).setChecked(true);
    r.p.frmMain.chkStdMark.setChecked(true);
    QCOMPARE(r.p.standardMarks.count(), 2);
    auto *alarm = r.find<QLineEdit>("txtPgAlarm");
    auto *logic = r.find<QRadioButton>("optEmgLogic(1)");
    QVERIFY(alarm && logic);
    QCOMPARE(alarm->palette().color(QPalette::Base), binder::changedTint(alarm));
    QVERIFY(logic->autoFillBackground());
    r.p.frmMain.chkStdMark.setChecked(false);
    QCOMPARE(alarm->palette().color(QPalette::Base), QApplication::palette(alarm).color(QPalette::Base));
    QVERIFY(!logic->autoFillBackground());
  }

  void failedComparisonClears_data() {
    QTest::addColumn<bool>("monitor"); // running, else the controller cannot be opened
    QTest::addColumn<int>("said");
    QTest::newRow("controller cannot be opened") << false << 109;
    QTest::newRow("controller while the monitor runs") << true << 5329;
  }
  // A comparison that fails leaves none on show; the headers name the sides
  // the top line names; two files compare while the monitor runs.
  void failedComparisonClears() {
    QFETCH(bool, monitor);
    WindowRig r;
    for (const char *name : {"a.pmt", "new.pmt"})
      kt::writeFile(kt::path(name), parafile::Format(r.p.params.screenRecord()));
    r.p.frmMain.mnuFileCompare.click();
    CompareWindow *c = r.w.compareWindow();
    const auto buttons = c->findChildren<QPushButton *>(); // Choose… A and B, Compare, Print, PDF, Copy, Close
    r.dialogs.files << kt::path("a.pmt") << kt::path("new.pmt") << kt::path("new.pmt");
    buttons[0]->click();
    c->findChildren<QRadioButton *>().at(2)->click();
    QCOMPARE(r.p.compare.run(), qint16(1));
    buttons[5]->click();
    QCOMPARE(r.dialogs.achieved.last(), kt::msg(5324).arg(35).arg(35));
    monitor ? r.p.frmMain.cmdIoMonitor.click() : r.line.setOpenFailure(u"gone"_qs);
    QCOMPARE(r.p.compare.run(), qint16(-1));
    QFETCH(int, said);
    QVERIFY(r.dialogs.last().startsWith(kt::msg(said)));
    QVERIFY(c->table()->rowCount() == 0 && c->findChild<QLabel *>("counts")->text().isEmpty());
    QVERIFY(!buttons[3]->isEnabled() && !buttons[4]->isEnabled() && !buttons[5]->isEnabled());
    buttons[0]->click();
    c->findChildren<QRadioButton *>().at(0)->click();
    buttons[1]->click();
    QCOMPARE(r.p.compare.run(), qint16(0));
    QCOMPARE(c->table()->horizontalHeaderItem(2)->text(), u"A: "_qs + c->findChild<QLabel *>("fileA")->text());
  }

  // The timeline draws each row's state, reads the states under the pointer
  // and the markers' distance, and paused holds still while the monitor
  // records. The statistics window shows the last run, also a stopped one.
  void timelineAndStatistics() {
    WindowRig r;
    r.p.frmMain.cmdIoMonitor.click();
    r.p.io.timerInputOutput1.stop(); // ticked here
    r.p.io.timerInputOutput1_Timer();
    QTest::qWait(40);
    r.line.sim()->setInputWord(ControllerSim::InStb);
    r.p.io.timerInputOutput1_Timer();
    QTest::qWait(40);
    r.p.io.timerInputOutput1_Timer();
    r.p.frmMain.cmdIoTimeline.click();
    TimelineWindow *t = r.w.timelineWindow();
    QVERIFY(t && t->isVisible() && QTest::qWaitForWindowExposed(t));
    TraceChart *c = t->chart();
    QMouseEvent over(QEvent::MouseMove, QPointF(100, 20), c->mapToGlobal(QPointF(100, 20)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(c, &over);
    const QString before = t->findChild<QLabel *>("readout")->text();
    QTest::qWait(40);
    r.p.io.timerInputOutput1_Timer();
    QVERIFY(t->findChild<QLabel *>("readout")->text() != before); // the time under the pointer scrolls on
    for (QPushButton *b : t->findChildren<QPushButton *>()) {
      QVERIFY(b->text().size() > 1 || !b->accessibleName().isEmpty()); // a symbol is read out by its name
      if (b->text() == kt::msg(5278))
        b->click(); // the whole run, which pauses
    }
    const QRect plot = c->plotArea();
    const qint64 on = r.p.io.history().changes().last().ms, later = on + 20;
    auto x = [&](qint64 ms) { return plot.left() + int(c->view.xOf(ms, plot.width())); };
    const QImage picture = c->grab().toImage();
    auto tracedHigh = [&](int row) { // the trace in the upper half of the row's band
      const int top = plot.top() + row * plot.height() / IoHistory::Signals, band = plot.height() / IoHistory::Signals;
      for (int y = top; y < top + band; ++y)
        if (picture.pixelColor(x(later), y) == c->palette().color(QPalette::Highlight))
          return y < top + band / 2;
      return false;
    };
    QVERIFY(tracedHigh(0) && !tracedHigh(1)); // STB on, RES off
    QMouseEvent move(QEvent::MouseMove, QPointF(x(later), 20), c->mapToGlobal(QPointF(x(later), 20)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(c, &move);
    QVERIFY2(t->findChild<QLabel *>("readout")->text().contains(u"STB=1 RES=0"_qs),
             qPrintable(t->findChild<QLabel *>("readout")->text()));
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(x(on - 30), 20));
    QTest::mouseClick(c, Qt::LeftButton, Qt::ShiftModifier, QPoint(x(later), 20));
    const qint64 apart = *c->view.markerDifference();
    QVERIFY(apart >= 45 && apart <= 55);
    QCOMPARE(t->findChild<QLabel *>("markers")->text(), kt::msg(5282).arg(QString::number(apart / 1000.0, 'f', 3)));
    const PlotView held = c->view;
    QTest::qWait(40);
    r.line.sim()->setInputWord(0);
    r.p.io.timerInputOutput1_Timer();
    QVERIFY(c->view.start == held.start && c->view.span == held.span && r.p.io.history().changes().last().ms > on);

    r.p.frmMain.cmdIoMonitor.click();
    r.p.frmMain.cmdMoveStats.click();
    QLabel *summary = r.w.statsWindow()->findChild<QLabel *>("summary");
    QCOMPARE(summary->text(), kt::msg(5292));
    auto *csv = r.w.statsWindow()->findChild<QPushButton *>();
    QVERIFY(!csv->isEnabled());
    r.line.sim()->setTimeScale(0.01);
    r.p.frmMain.optSTEP.setChecked(true);
    QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
    QCOMPARE(r.dialogs.achieved.last(), kt::msg(5322).arg(r.p.moveStats.moves().constFirst().moveMs));
    QVERIFY(summary->text().endsWith(kt::msg(5274) + u": \u2014"_qs) && csv->isEnabled());
    r.p.frmMain.optCNT.setChecked(true);
    connect(&r.p.motion, &MotionTest::moveCompleted, this, [&r](int n) {
      if (n == 3)
        r.p.motion.cmdSTOP_Click();
    });
    QCOMPARE(r.p.motion.cmdMOVE_Click(), qint16(0));
    QVERIFY(summary->text().contains(kt::msg(5275).section(u'%', 0, 0) + u'3'));
    QCOMPARE(summary->text(), r.p.moveStats.summaryText(r.p.m.messages()).trimmed());
    QTest::keyClick(c, Qt::Key_Escape); // from the chart, as from any control of the window
    QTest::keyClick(r.w.statsWindow(), Qt::Key_Escape);
    QVERIFY(!t->isVisible() && !r.w.statsWindow()->isVisible()); // as Compare closes
  }

  // The widgets show what the model holds: a removed entry's grey goes with the next number;
  // a list shows a new item, also one that replaced another at once.
  void widgetsFollowTheModel() {
    WindowRig r;
    auto *gear = r.find<QLineEdit>("txtGEAR");
    const QColor base = gear->palette().color(QPalette::Base);
    r.p.frmMain.txtGEAR.setText(u"0"_qs);
    r.p.frmMain.txtGEAR.lostFocus();
    QVERIFY(gear->palette().color(QPalette::Base) != base);
    r.p.frmMain.txtGEAR.setText(u"8"_qs);
    QCOMPARE(gear->palette().color(QPalette::Base), base);
    Control &list = r.p.frmMain.comboPgFunc;
    list.clearItems();
    list.addItem(u"a"_qs, 0);
    {
      const QSignalBlocker quiet(list); // replaced at once, drawn below
      list.clearItems();
      list.addItem(u"b"_qs, 0);
    }
    Q_EMIT list.changed();
    QCOMPARE(r.find<QComboBox>(list.name())->itemText(0), u"b"_qs);
  }

  // The wait cursor lasts until the outermost busy spell ends.
  void busyCursorNests() {
    QtDialogs boxes([] { return false; });
    QList<bool> shown;
    for (bool busy : {true, true, false, false}) {
      boxes.setBusy(busy);
      shown << (QGuiApplication::overrideCursor() != nullptr);
    }
    QCOMPARE(shown, (QList<bool>{true, true, true, false}));
  }

  void ioLampsShowTheirOwnSignal_data() {
    QTest::addColumn<QString>("name"); // the signal's name under its lamp
    QTest::addColumn<int>("input");    // the simulator's input word
    QTest::addColumn<bool>("space");   // switched with Space on the focused lamp
    QTest::newRow("STB") << "lblInputStb" << int(ControllerSim::InStb) << false;
    QTest::newRow("RES") << "lblInputStop" << 0x200 << false;
    for (const char *output : {"lblOutputAlm", "lblOutputRdy", "lblOutputInp", "lblOutputExp3", "lblOutputEXP4"}) {
      QTest::newRow(output) << output << 0 << false;
      QTest::addRow("%s, Space", output) << output << 0 << true;
    }
  }
  // With every output off, the lamp above a name is double-clicked, or an output's
  // focused with Tab and Space pressed (an output's toggles, an input's writes the
  // outputs): then that lamp alone is lit, in the window, and read out as on.
  void ioLampsShowTheirOwnSignal() {
    QFETCH(QString, name);
    QFETCH(int, input);
    QFETCH(bool, space);
    WindowRig r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    QHash<QLabel *, QWidget *> unlit; // every signal's name in the two panels, and its white lamp
    for (const char *panel : {"Picture1", "Picture3"})
      for (QLabel *l : r.find<QWidget>(panel)->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (!l->text().isEmpty())
          unlit[l] = lampAbove(l);
    QCOMPARE(unlit.size(), 7);
    r.p.frmMain.cmdIoMonitor.click();
    r.p.io.timerInputOutput1.stop(); // ticked here
    r.p.io.timerInputOutput1_Timer();
    r.line.sim()->setInputWord(input);
    r.p.m.OutputBit = {}; // the next write: all off but what the click toggles
    auto *label = r.find<QLabel>(name);
    QWidget *white = unlit[label];
    QVERIFY(white->focusPolicy() & Qt::TabFocus);
    if (space) {
      QCOMPARE(white->toolTip(), kt::msg(5308));
      white->setFocus(Qt::TabFocusReason);
      QTest::keyClick(white, Qt::Key_Space);
    } else {
      QTest::mouseDClick(lampAbove(label), Qt::LeftButton);
    }
    r.p.io.timerInputOutput1_Timer();
    QStringList lit;
    for (auto it = unlit.begin(); it != unlit.end(); ++it)
      if (lampAbove(it.key()) != it.value())
        lit << it.key()->objectName();
    QCOMPARE(lit, QStringList{name});
    QCOMPARE(white->accessibleName(), kt::msg(5343).arg(label->text().normalized(QString::NormalizationForm_KC)));
  }

  // The SP current in the window: choosing SP empties the fixed current,
  // typing replaces a selection, and a value over 2.0 A is refused, named.
  void spCurrentInTheWindow() {
    WindowRig r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    r.p.frmMain.SSTab1.setCurrentTab(1);
    auto *size = r.find<QComboBox>("comboActSize");
    auto *current = r.find<QLineEdit>("txtDenryu");
    size->setCurrentIndex(0);
    Q_EMIT size->activated(0); // 28
    QVERIFY(current->text() == u"1.5"_qs && !current->isEnabled());
    size->setCurrentIndex(3);
    Q_EMIT size->activated(3); // SP
    QVERIFY(current->text().isEmpty() && current->isEnabled());
    current->setFocus();
    QTest::keyClicks(current, "1.2");
    current->selectAll();
    QTest::keyClick(current, Qt::Key_1);
    QCOMPARE(current->text(), u"1"_qs);
    current->selectAll();
    QTest::keyClicks(current, "3");
    QCOMPARE(current->text(), u"1"_qs);
    QCOMPARE(r.dialogs.statuses.last(), kt::msg(5007).arg(kt::msg(5218), u"3"_qs, u"0.1"_qs, u"2.0"_qs));
  }

  void keyboard_data() {
    QTest::addColumn<QString>("window"); // "" for the main window
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("print, on a button") << "" << "cmdMOVE" << QKeySequence(QKeySequence::Print) << "mnuFilePrint";
    QTest::newRow("quit") << "" << "txtGEAR" << QKeySequence(u"Ctrl+Q"_qs) << "mnuFileExit";
    QTest::newRow("Enter in Options, on Refresh")
        << "frmOption" << "cmdRefresh" << QKeySequence(Qt::Key_Return) << "cmdOK";
    QTest::newRow("Enter in Options' network line: Add, not OK")
        << "frmOption" << "txtNetLine" << QKeySequence(Qt::Key_Return) << "cmdAddNetLine";
    QTest::newRow("Enter in Print Setting")
        << "frmPrintSelect" << "cmdSelectPosiFile" << QKeySequence(Qt::Key_Return) << "cmdPrintSet";
  }
  // The desktop's keys reach the commands; Enter in a dialog is its OK wherever the focus is.
  void keyboard() {
    QFETCH(QString, window);
    QFETCH(QString, focus);
    WindowRig r;
    const QList<QWidget *> windows = buildWindows(r.p, &r.w);
    Window &model = window.isEmpty()            ? static_cast<Window &>(r.p.frmMain)
                    : window == u"frmOption"_qs ? static_cast<Window &>(r.p.frmOption)
                                                : static_cast<Window &>(r.p.frmPrintSelect);
    QStringList clicked;
    for (Control *c : model.controls()) {
      c->disconnectClick();
      c->onClick([&clicked, c] { clicked << c->name(); });
    }
    model.form.setVisible(true);
    QWidget *top = window.isEmpty() ? &r.w : QApplication::activeModalWidget();
    QVERIFY(top && QTest::qWaitForWindowActive(top));
    QFETCH(QKeySequence, keys);
    top->findChild<QWidget *>(focus)->setFocus();
    QTest::keySequence(QApplication::focusWidget(), keys);
    QFETCH(QString, pressed);
    QCOMPARE(clicked, QStringList{pressed});
    model.form.setVisible(false);
    qDeleteAll(windows);
  }

  // A file dialog starts where its kind last went, unless gone; never where no save can go.
  void foldersRememberedPerKind() {
    kt::settings();
    SettingsStore store;
    const QString program = QCoreApplication::applicationDirPath();
    QCOMPARE(qtdialogs::startFolder(store, "ztd"), program);
    QTemporaryDir ztd, pmt;
    qtdialogs::rememberFolder(store, "ztd", ztd.filePath("a.ztd"));
    qtdialogs::rememberFolder(store, "pmt", pmt.filePath("b.pmt"));
    QCOMPARE(qtdialogs::startFolder(SettingsStore(), "ztd"), ztd.path());
    QCOMPARE(qtdialogs::startFolder(store, "pmt"), pmt.path());
    const QString gone = ztd.path();
    ztd.remove();
    QCOMPARE(qtdialogs::startFolder(store, "ztd"), program);
    QCOMPARE(qtdialogs::startFolder(store, "ztd", gone),
             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  }
};

KOV_TEST_MAIN(tst_Ui)
#include "tst_ui.moc"
