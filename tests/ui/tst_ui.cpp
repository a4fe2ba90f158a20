#include "windows.h"
#include "keyfilter.h"
#include "mainwindow.h"
#include "fakedialogs.h"
#include "program.h"
#include "qtdialogs.h"
#include "qtprinttarget.h"
#include "commlogwindow.h"
#include "setrescaptions.h"
#include "startup.h"
#include "simportdevice.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QLabel>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QtTest>

// Counts the key presses that reach a widget.
class KeyCounter : public QObject {
public:
  int presses = 0;

protected:
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::KeyPress)
      ++presses;
    return false;
  }
};

namespace {
// The program on the built-in simulator with its main window, started in
// the language the settings hold unless `started` is false. Tests name its
// parts: auto &[simulated, dialogs, p, w] = shown;
struct Shown {
  SimPortDevice simulated;
  FakeDialogs dialogs;
  Program p{dialogs};
  MainWindow w{p};
  explicit Shown(bool started = true) {
    p.link.setDevice(&simulated);
    if (started)
      p.Main(false);
  }
};
} // namespace

class tst_Ui : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void init();
  void captionsReachTheWidgets_data();
  void captionsReachTheWidgets();
  void groupsDisableTheWidgets();
  void f1DroppedInEnglish_data();
  void f1DroppedInEnglish();
  void versionFromTheSimulator();
  void indexFieldsThroughTheWidgets();
  void fileDialogFilters_data();
  void fileDialogFilters();
  void foldersRememberedPerKind();
  void titleAndStatusLine();
  void pasteGoesThroughTheKeyRules_data();
  void pasteGoesThroughTheKeyRules();
  void leaveRuleOnlyOnMovingOn_data();
  void leaveRuleOnlyOnMovingOn();
  void mainWindowWholeOnTheScreen_data();
  void mainWindowWholeOnTheScreen();
  void dialogsCentredOnTheMainWindow();
  void messageBoxesOnlyClose();
  void toolkitTextsFollowTheLanguage_data();
  void toolkitTextsFollowTheLanguage();
  void lampsKeepTheirLabels();
  void escapeStopsAMoveTest();
  void printPreviewDrawsTheReport();
  void optionsAboutAndLog_data();
  void optionsAboutAndLog();
  void removedEntryMarker();
  void keyboard_data();
  void keyboard();

private:
  QTemporaryDir dir_;
};

void tst_Ui::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
}

void tst_Ui::init() {
  QSettings(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6").clear();
}

void tst_Ui::captionsReachTheWidgets_data() {
  QTest::addColumn<QString>("languege");
  QTest::addColumn<QString>("page0");
  QTest::addColumn<QString>("reset");
  QTest::addColumn<QString>("frame");
  QTest::addColumn<QString>("firstMenu");
  QTest::newRow("japanese") << "1" << u"移動・編集"_qs << u"リセット"_qs << u"データ編集"_qs
                            << u"ファイル(&F)"_qs;
  QTest::newRow("english") << "2" << u"MOVE・EDIT"_qs << u"Alarm Reset"_qs << u"Data Edit"_qs
                           << u"File(&F)"_qs;
}

void tst_Ui::captionsReachTheWidgets() {
  QFETCH(QString, languege);
  SettingsStore().write("Languege", languege);
  Shown shown;
  auto &[simulated, dialogs_p, p, w] = shown;
  QVERIFY(w.isVisible());
  auto *tabs = w.findChild<QTabWidget *>("SSTab1");
  QVERIFY(tabs);
  QTEST(tabs->tabText(0), "page0");
  QTEST(w.findChild<QPushButton *>("cmdRESET")->text(), "reset");
  QTEST(w.findChild<QGroupBox *>("Frame2")->title(), "frame");
  QTEST(w.menuBar()->actions().first()->text(), "firstMenu");
  QCOMPARE(w.findChild<QComboBox *>("comboVEL")->count(), 30);
  QVERIFY(!w.findChild<QLineEdit *>("txtVEL")->isVisibleTo(&w));
  // Designed-hidden menu entries are left out.
  QVERIFY(!w.findChild<QAction *>("mnuFileNew"));
  QVERIFY(w.findChild<QAction *>("mnuFileExit"));

  // Screenshots for the documentation, when asked for.
  const QString shots = qEnvironmentVariable("KOV_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    const QString lang = languege == "1" ? "ja" : "en";
    // As an operator sees it after asking for the version: connected.
    p.frmMain.mnuShowCtversion.click();
    QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
    w.resize(w.sizeHint()); // as on a screen large enough
    for (int page = 0; page < 2; ++page) {
      tabs->setCurrentIndex(page);
      QCoreApplication::processEvents(); // the page shown is laid out
      QVERIFY(w.grab().save(QStringLiteral("%1/main-page%2-%3.png").arg(shots).arg(page).arg(lang)));
    }
    // The monitor running: STB on, OUT1 switched on by a double-click.
    tabs->setCurrentIndex(0);
    simulated.sim()->setInputWord(0x800);
    p.frmMain.cmdIoMonitor.click();
    p.io.timerInputOutput1_Timer();
    p.frmMain.imgWhiteIcon(24).dblClick();
    p.io.timerInputOutput1_Timer();
    QVERIFY(p.frmMain.imgOutputOut2.isVisible());
    QCoreApplication::processEvents();
    QVERIFY(w.grab().save(QStringLiteral("%1/main-monitor-%2.png").arg(shots, lang)));
    p.frmMain.cmdIoMonitor.click();
    p.io.timerInputOutput1_Timer();
  }
}

void tst_Ui::groupsDisableTheWidgets() {
  Shown shown;
  auto &[simulated, dialogs_p, p, w] = shown;
  auto *read = w.findChild<QPushButton *>("cmdGetfromCt");
  auto *gear = w.findChild<QLineEdit *>("txtGEAR");
  auto *paraRead = w.findChild<QPushButton *>("cmdParaRead");
  auto *option = w.findChild<QAction *>("mnuViewOption");
  auto *exit = w.findChild<QAction *>("mnuFileExit");
  QVERIFY(read && gear && paraRead && option && exit);
  QVERIFY(read->isEnabled() && gear->isEnabled() && paraRead->isEnabled());

  p.frmMain.CMDBTN_Muko();
  p.frmMain.Menyu_Muko();
  p.frmMain.ParaBtn_Muko();
  QVERIFY(!read->isEnabled());
  QVERIFY(!gear->isEnabled()); // held by the disabled frame
  QVERIFY(!paraRead->isEnabled());
  QVERIFY(!w.findChild<QMenu *>("mnuView")->menuAction()->isEnabled());
  QVERIFY(exit->isEnabled());

  p.frmMain.Disp_ProgressBar();
  auto *bar = w.findChild<QProgressBar *>("ProgressBar1");
  QVERIFY(bar->isVisibleTo(&w));

  p.frmMain.CMDBTN_Yuko();
  p.frmMain.Menyu_Yuko();
  p.frmMain.ParaBtn_Yuko();
  p.frmMain.Hide_ProgressBar();
  QVERIFY(read->isEnabled() && gear->isEnabled() && paraRead->isEnabled());
  QVERIFY(!bar->isVisibleTo(&w));
}

void tst_Ui::f1DroppedInEnglish_data() {
  QTest::addColumn<QString>("languege");
  QTest::addColumn<bool>("manual");
  QTest::addColumn<QString>("opened");
  QTest::addColumn<QStringList>("shown");
  QTest::newRow("Japanese manual") << "1" << true << "kov-t6-ja.html" << QStringList();
  QTest::newRow("English manual") << "2" << true << "kov-t6-en.html" << QStringList();
  QTest::newRow("Japanese, none") << "1" << false << ""
                                  << QStringList{u"ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。"_qs};
  QTest::newRow("English, none: dropped") << "2" << false << "" << QStringList();
  QTest::newRow("English, no viewer") << "2" << true << "" << QStringList{"5212"};
}

// F1 opens the manual of the language; without one, English drops the key
// and Japanese says there is none. Help > Contents is offered alike.
void tst_Ui::f1DroppedInEnglish() {
  QFETCH(QString, languege);
  QFETCH(bool, manual);
  SettingsStore().write("Languege", languege);
  FakeDialogs dialogs_p;
  Program p(dialogs_p);
  QString opened;
  const bool viewer = QTest::currentDataTag() != QByteArray("English, no viewer");
  p.openDocument = [&opened, viewer](const QString &path) {
    if (viewer)
      opened = QFileInfo(path).fileName();
    return viewer;
  };
  MainWindow w(p);
  const QList<QWidget *> windows = buildWindows(p, &w);
  KeyFilter filter(p, nullptr);
  qApp->installEventFilter(&filter);
  p.Main(false);
  if (!manual) {
    p.helpPath = dir_.filePath("no-manual.html");
    p.offerHelp();
  }
  auto *gear = w.findChild<QLineEdit *>("txtGEAR");
  KeyCounter counter;
  gear->installEventFilter(&counter);
  QTest::keyClick(gear, Qt::Key_F1);
  QCOMPARE(counter.presses, 0);
  QTEST(opened, "opened");
  QFETCH(QStringList, shown);
  if (shown == QStringList{"5212"})
    shown = {p.m.msg(5212).arg(p.helpPath)};
  QCOMPARE(dialogs_p.shown, shown);
  // Offered where the manual is; Japanese keeps its entry (414 then says why).
  QCOMPARE(p.frmMain.mnuHelpContents.isVisible(), manual || languege == u"1"_qs);
  qApp->removeEventFilter(&filter);
  qDeleteAll(windows);
}

// The program on the built-in simulator, as `kov-t6 --simulator` runs it.
void tst_Ui::versionFromTheSimulator() {
  SettingsStore().write("Languege", "2");
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  p.frmMain.mnuShowCtversion.click();
  QCOMPARE(dialogs.shown, QStringList{u"The version of this controller is 1.10."_qs});
  QCOMPARE(w.statusBar()->findChildren<QLabel *>().value(0)->text(), u"The version of C/T is 1.10"_qs);
  QCOMPARE(simulated.sim()->receivedLines(), (QList<QByteArray>{"0CM6", "0RV"}));
}

// Typing into the real fields goes through the entry rules of the model.
void tst_Ui::indexFieldsThroughTheWidgets() {
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  QApplication::setActiveWindow(&w);
  QVERIFY(QTest::qWaitForWindowActive(&w));
  auto *division = w.findChild<QLineEdit *>("txtDIVISION");
  auto *gear = w.findChild<QLineEdit *>("txtGEAR");
  division->setFocus();
  QTest::keyClicks(division, "1x01");
  QCOMPARE(division->text(), QString()); // 101 is above 100: removed
  QTest::keyClicks(division, "8");
  QTest::keyClick(division, Qt::Key_Return);
  QVERIFY(w.findChild<QPushButton *>("cmdLoadtoCt")->hasFocus());
  // Leaving a field runs its leave rule.
  gear->setFocus();
  QTest::keyClicks(gear, "0");
  division->setFocus();
  QCOMPARE(gear->text(), QString());
  gear->setFocus();
  QTest::keyClicks(gear, "8");
  QCOMPARE(p.frmMain.txtVEL.text(), u"38"_qs);
  p.frmMain.comboVEL.setText("10");
  QCOMPARE(p.frmMain.txtVEL.text(), u"375"_qs);
}

void tst_Ui::fileDialogFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("qt");
  QTest::newRow("pattern in the description")
      << "Position Data(*.ztd)|*.ztd|All Files(*.*)|*.*"
      << QStringList{"Position Data (*.ztd)", "All Files (*.*)"};
  QTest::newRow("bare description") << "Text|*.txt" << QStringList{"Text (*.txt)"};
  QTest::newRow("two patterns") << "Pictures(*.a;*.b)|*.a;*.b" << QStringList{"Pictures (*.a *.b)"};
  QTest::newRow("Japanese") << u"位置データ(*.ztd)|*.ztd"_qs << QStringList{u"位置データ (*.ztd)"_qs};
}

// Each kind shows its pattern once.
void tst_Ui::fileDialogFilters() {
  QFETCH(QString, filter);
  QTEST(qtdialogs::qtFilters(filter), "qt");
}

void tst_Ui::foldersRememberedPerKind() {
  SettingsStore store;
  const QString program = QCoreApplication::applicationDirPath();
  QCOMPARE(qtdialogs::startFolder(store, "ztd"), program);
  QTemporaryDir ztd, pmt;
  qtdialogs::rememberFolder(store, "ztd", ztd.filePath("a.ztd"));
  qtdialogs::rememberFolder(store, "pmt", pmt.filePath("b.pmt"));
  QCOMPARE(qtdialogs::startFolder(store, "ztd"), ztd.path());
  QCOMPARE(qtdialogs::startFolder(store, "pmt"), pmt.path());
  QCOMPARE(SettingsStore().text("LastFolder_ztd"), ztd.path()); // kept between runs
  const QString gone = ztd.path();
  ztd.remove();
  QCOMPARE(qtdialogs::startFolder(store, "ztd"), program); // a folder since removed
  QVERIFY(gone != program);
  // A program folder where no save can go: the user's documents instead.
  QCOMPARE(qtdialogs::startFolder(store, "ztd", gone),
           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

// The window's title and status line as the desktop shows them.
void tst_Ui::titleAndStatusLine() {
  SettingsStore().write("Languege", "2");
  SimPortDevice simulated;
  QtDialogs dialogs([] { return false; });
  Program p(dialogs);
  p.link.setDevice(&simulated);
  MainWindow w(p);
  dialogs.setOwner(&w);
  p.Main(false);
  QCOMPARE(w.windowTitle(), u"KOV-T6[*]"_qs);
  QVERIFY(!w.isWindowModified());
  p.frmMain.txtGEAR.setText("8");
  QVERIFY(w.isWindowModified());
  dialogs.done(u"Saved: a.ztd"_qs);
  // The result outlasts a menu's hover and goes when the next command starts.
  QStatusTipEvent hover{QString()};
  QCoreApplication::sendEvent(w.menuBar(), &hover);
  QCOMPARE(w.statusBar()->currentMessage(), u"Saved: a.ztd"_qs);
  QString duringNext = u"unchanged"_qs;
  QTimer closer;
  connect(&closer, &QTimer::timeout, this, [&] {
    if (QWidget *box = QApplication::activeModalWidget()) {
      duringNext = w.statusBar()->currentMessage();
      box->close();
    }
  });
  closer.start(5);
  p.frmMain.mnuShowCtversion.click();
  QCOMPARE(duringNext, QString());
}

void tst_Ui::pasteGoesThroughTheKeyRules_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("clipboard");
  QTest::addColumn<QString>("after");
  QTest::newRow("Ctrl+V, minus refused") << "txtInpLimit" << "" << "ctrl+v" << "-5" << "5";
  QTest::newRow("Ctrl+V, letters refused") << "txtDIVISION" << "" << "ctrl+v" << "1a2b" << "12";
  QTest::newRow("Shift+Insert") << "txtHomeVel" << "" << "shift+insert" << "x3y" << "3";
  QTest::newRow("Ctrl+V, length kept") << "txtDIVISION" << "9" << "ctrl+v" << "9999" << "99";
  QTest::newRow("context menu Paste") << "txtInpLimit" << "" << "menu" << "-12" << "12";
  QTest::newRow("drop") << "txtGEAR" << "" << "drop" << "a7" << "7";
  QTest::newRow("Ctrl+X") << "txtDIVISION" << "12" << "ctrl+x" << "" << "";
}

// Text that arrives without typing meets the same key rules as typing.
void tst_Ui::pasteGoesThroughTheKeyRules() {
  QFETCH(QString, box);
  QFETCH(QString, before);
  QFETCH(QString, how);
  QFETCH(QString, clipboard);
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  Control *model = p.frmMain.find(box);
  QVERIFY(model);
  model->setText(before);
  auto *edit = w.findChild<QLineEdit *>(box);
  QVERIFY(edit);
  edit->window()->show();
  QVERIFY(QTest::qWaitForWindowExposed(edit->window()));
  p.frmMain.SSTab1.setCurrentTab(model->name() == u"txtDIVISION"_qs || model->name() == u"txtGEAR"_qs ? 0 : 1);
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
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(edit, &event);
    QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction *paste = nullptr;
    for (QAction *a : menu->actions())
      if (a->text().startsWith(QLineEdit::tr("&Paste")))
        paste = a;
    QVERIFY(paste);
    paste->trigger();
    menu->close();
  } else {
    QMimeData data;
    data.setText(clipboard);
    const QPoint at(edit->width() - 2, 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &drop);
  }
  QFETCH(QString, after);
  QCOMPARE(edit->text(), after);
  QCOMPARE(model->text(), after);
}

void tst_Ui::leaveRuleOnlyOnMovingOn_data() {
  QTest::addColumn<int>("reason");
  QTest::addColumn<QString>("after");
  QTest::newRow("another window") << int(Qt::ActiveWindowFocusReason) << "1";
  QTest::newRow("a menu") << int(Qt::PopupFocusReason) << "1";
  QTest::newRow("the menu bar") << int(Qt::MenuBarFocusReason) << "1";
  QTest::newRow("Tab to the next field") << int(Qt::TabFocusReason) << "";
  QTest::newRow("a click on another field") << int(Qt::MouseFocusReason) << "";
}

// A division of 1 is emptied when the operator leaves the field, not when
// another window or a menu takes the focus for a moment.
void tst_Ui::leaveRuleOnlyOnMovingOn() {
  QFETCH(int, reason);
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  auto *division = w.findChild<QLineEdit *>("txtDIVISION");
  p.frmMain.txtDIVISION.setText("1");
  QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
  QCoreApplication::sendEvent(division, &out);
  QTEST(p.frmMain.txtDIVISION.text(), "after");
}

void tst_Ui::mainWindowWholeOnTheScreen_data() {
  QTest::addColumn<QString>("left");
  QTest::addColumn<QString>("maximized");
  QTest::newRow("designed place") << "1000" << "0";
  QTest::newRow("far off to the right") << "90000" << "0";
  QTest::newRow("maximised") << "1000" << "1";
}

// Larger than this screen as designed, the window still opens whole on it.
void tst_Ui::mainWindowWholeOnTheScreen() {
  QFETCH(QString, left);
  QFETCH(QString, maximized);
  SettingsStore store;
  store.write("MainLeft", left);
  store.write("MainMaximized", maximized);
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCoreApplication::processEvents();
  const QRect screen = w.screen()->availableGeometry();
  QVERIFY2(screen.contains(w.frameGeometry()),
           qPrintable(QDebug::toString(w.frameGeometry()) + u" on "_qs + QDebug::toString(screen)));
  QCOMPARE(w.isMaximized(), maximized == u"1"_qs);
  QVERIFY(w.statusBar()->isVisible());
}

void tst_Ui::dialogsCentredOnTheMainWindow() {
  Shown shown(false);
  auto &[simulated, dialogs, p, w] = shown;
  const QList<QWidget *> windows = buildWindows(p, &w);
  p.Main(false);
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.move(w.pos() + QPoint(5, 3)); // anywhere but the screen's middle
  p.frmAbout.form.setVisible(true);
  QWidget *about = nullptr;
  for (QWidget *x : windows)
    if (x->isVisible())
      about = x;
  QVERIFY2(about, qPrintable([&] { QStringList n; for (QWidget *x : windows) n << x->objectName(); return n.join(u','); }()));
  const QPoint off = about->frameGeometry().center() - w.frameGeometry().center();
  QVERIFY2(off.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
  p.frmAbout.form.setVisible(false);
  qDeleteAll(windows);
}

void tst_Ui::messageBoxesOnlyClose() {
  QtDialogs dialogs([] { return false; });
  QWidget owner;
  owner.show();
  dialogs.setOwner(&owner);
  Qt::WindowFlags flags;
  QTimer::singleShot(0, this, [&flags] {
    if (QWidget *box = QApplication::activeModalWidget()) {
      flags = box->windowFlags();
      box->close();
    }
  });
  dialogs.message(u"?"_qs, Dialogs::Buttons::Ok, Dialogs::Icon::None, {});
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void tst_Ui::toolkitTextsFollowTheLanguage_data() {
  QTest::addColumn<QString>("languege");
  QTest::addColumn<QString>("yes");
  QTest::newRow("Japanese") << "1" << u"はい(&Y)"_qs;
  QTest::newRow("English") << "2" << u"&Yes"_qs;
}

// A question's own buttons speak the language the program started in.
void tst_Ui::toolkitTextsFollowTheLanguage() {
  QFETCH(QString, languege);
  SettingsStore().write("Languege", languege);
  QtDialogs dialogs([] { return false; });
  Program p(dialogs);
  MainWindow w(p);
  dialogs.setOwner(&w);
  p.Main(false);
  QStringList buttons;
  QTimer::singleShot(0, this, [&buttons] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      for (QAbstractButton *b : box->buttons())
        buttons << b->text();
      box->close();
    }
  });
  dialogs.message(u"?"_qs, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, {});
  QFETCH(QString, yes);
  QVERIFY2(buttons.contains(yes), qPrintable(buttons.join(u'|')));
}

// However large the window grows, a lamp's label stays right under it.
void tst_Ui::lampsKeepTheirLabels() {
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.resize(1800, 1400);
  QTest::qWait(0);
  QCoreApplication::processEvents();
  auto *lamp = w.findChild<QWidget *>("imgInputStb");
  auto *label = w.findChild<QWidget *>("lblInputStb");
  QVERIFY2(lamp && label, qPrintable(QString::number(w.findChildren<QWidget *>().size())));
  const int gap = label->mapTo(&w, QPoint()).y() - (lamp->mapTo(&w, QPoint()).y() + lamp->height());
  QVERIFY2(gap >= 0 && gap < 20, qPrintable(QString::number(gap)));
}

// Esc presses Stop while a run goes on; the run tells its moves meanwhile.
void tst_Ui::escapeStopsAMoveTest() {
  SettingsStore().write("Languege", "2");
  SimPortDevice simulated;
  simulated.sim()->setTimeScale(0.01);
  FakeDialogs dialogs;
  Program p(dialogs);
  p.link.setDevice(&simulated);
  MainWindow w(p);
  p.Main(false);
  QApplication::setActiveWindow(&w);
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QCOMPARE(w.findChild<QPushButton *>("cmdSTOP")->toolTip(), u"Stops after the move in progress (Esc)"_qs);
  QTest::keyClick(&w, Qt::Key_Escape); // idle: nothing to stop
  QVERIFY(!p.motion.StopRequest);
  connect(&p.motion, &MotionTest::moveCompleted, this, [&w](int n) {
    if (n == 2)
      QTimer::singleShot(0, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
  });
  p.frmMain.optCNT.setChecked(true);
  QCOMPARE(p.motion.cmdMOVE_Click(), qint16(0));
  QCOMPARE(int(simulated.sim()->receivedLines().count("0MP01")), 3); // the third started before Esc
  // The cycle (move command to the next) is known from the second move on.
  QVERIFY(dialogs.achieved.value(0).contains(QRegularExpression(u"^Moves: 1, move \\d+ ms$"_qs)));
  const QRegularExpressionMatch third =
      QRegularExpression(u"^Moves: 3, move (\\d+) ms, cycle (\\d+) ms$"_qs).match(dialogs.achieved.value(2));
  QVERIFY(third.hasMatch());
}

// File > Print Preview runs the print flow and shows the pages it draws.
void tst_Ui::printPreviewDrawsTheReport() {
  SettingsStore().write("Languege", "2");
  FakeDialogs dialogs;
  Program p(dialogs);
  MainWindow w(p);
  QtPrintTarget printer(&w);
  p.print.target = &printer;
  p.Main(false);
  QAction *preview = w.findChild<QAction *>("mnuFilePrintPreview");
  QVERIFY(preview);
  QCOMPARE(preview->text(), u"Print Pre&view"_qs);
  p.frmMain.txtGEAR.setText("10");
  p.frmMain.txtDIVISION.setText("8");
  QString shown;
  // The choice of data (the screen), then the preview, which is closed.
  QTimer::singleShot(0, this, [&] {
    p.frmPrintSelect.cmdPrintSet.click();
    QTimer::singleShot(200, this, [&] {
      if (QWidget *dialog = QApplication::activeModalWidget()) {
        shown = QString::fromLatin1(dialog->metaObject()->className());
        dialog->close();
      }
    });
  });
  QCOMPARE(p.print.PrintFromMenu(true), qint16(0));
  QCOMPARE(shown, u"QPrintPreviewDialog"_qs);
  QVERIFY(p.frmMain.mnuFile.isEnabled() && p.frmMain.cmdDataPrint.isEnabled());
}

void tst_Ui::optionsAboutAndLog_data() {
  QTest::addColumn<QString>("languege");
  QTest::addColumn<QString>("logTitle"); // the menu's caption without its mnemonic
  QTest::newRow("ja") << "1" << u"通信ログ"_qs;
  QTest::newRow("en") << "2" << u"Communication Log"_qs;
}

// The options dialog names the device behind each port, the about box its
// version and address, and the log window holds a parameter read's lines;
// pictured for the documentation when asked.
void tst_Ui::optionsAboutAndLog() {
  QFETCH(QString, languege);
  SettingsStore().write("Languege", languege);
  Shown shown(false);
  auto &[simulated, dialogs, p, w] = shown;
  const QList<QWidget *> windows = buildWindows(p, &w);
  p.Main(false);
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QString shots = qEnvironmentVariable("KOV_SCREENSHOT_DIR");
  const QString lang = languege == "1" ? "ja" : "en";
  auto shot = [&](QWidget *x, const char *name) {
    QCoreApplication::processEvents();
    if (!shots.isEmpty())
      QVERIFY(x->grab().save(QStringLiteral("%1/%2-%3.png").arg(shots, QString::fromLatin1(name), lang)));
  };
  auto windowOf = [&windows](const Window &model) {
    for (QWidget *x : windows)
      if (x->isVisible() && x->windowTitle().startsWith(model.form.text()))
        return x;
    return static_cast<QWidget *>(nullptr);
  };

  p.options.Form_Load();
  p.frmOption.form.setVisible(true);
  auto *list = windowOf(p.frmOption) ? windowOf(p.frmOption)->findChild<QComboBox *>("comboPortNo") : nullptr;
  QVERIFY(list);
  QCOMPARE(list->count(), 32);
  QVERIFY(list->itemText(0).startsWith(u"COM1 — "_qs));
  shot(windowOf(p.frmOption), "options");
  p.frmOption.form.setVisible(false);

  SetResCaptions(p.frmAbout, p.m.messages());
  p.frmAbout.lblVersion.setText(VersionText(KOV_VERSION_MAJOR, KOV_VERSION_MINOR, KOV_VERSION_PATCH));
  p.frmAbout.form.setVisible(true);
  QWidget *about = windowOf(p.frmAbout);
  QVERIFY(about);
  QCOMPARE(about->findChild<QLabel *>("lblHpAddress")->text(), QStringLiteral(KOV_HOMEPAGE));
  shot(about, "about");
  p.frmAbout.cmdSysInfo.click();
  QCOMPARE(dialogs.shown.value(0), p.m.msg(1206));
  p.frmAbout.cmdOK.click();
  QVERIFY(!about->isVisible());

  p.frmMain.mnuViewCommLog.click();
  CommLogWindow *log = w.commLogWindow();
  QVERIFY(log && log->isVisible());
  QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
  const QStringList lines = log->text().split(u'\n');
  QVERIFY2(lines.size() >= 14, qPrintable(log->text())); // seven exchanges, each way
  QVERIFY(lines.first().endsWith(u"-> 0CM6"_qs));
  QTEST(log->windowTitle(), "logTitle");
  // Hidden polling lines are counted as they come, not with the next shown one.
  p.link.Polling = true;
  QCOMPARE(p.link.ReadCtStatus(), qint16(1));
  p.link.Polling = false;
  auto *counts = log->findChild<QLabel *>("counts");
  QTRY_COMPARE(counts->text(), p.m.msg(5176).arg(2).arg(0));
  QCOMPARE(log->text().split(u'\n'), lines);
  shot(log, "commlog");
  log->close();
  const int kept = int(p.log().lines().size());
  QCOMPARE(p.paramTransfer.cmdParaRead_Click(), qint16(0));
  QCOMPARE(int(p.log().lines().size()), kept); // closed: nothing recorded
  qDeleteAll(windows);
}

// The box greyed for a removed entry is white again with the next number.
void tst_Ui::removedEntryMarker() {
  Shown shown;
  auto &[simulated, dialogs, p, w] = shown;
  auto *gear = w.findChild<QLineEdit *>("txtGEAR");
  const QColor base = gear->palette().color(QPalette::Base);
  p.frmMain.txtGEAR.setText(u"0"_qs);
  p.frmMain.txtGEAR.lostFocus();
  QVERIFY(gear->palette().color(QPalette::Base) != base);
  p.frmMain.txtGEAR.setText(u"8"_qs);
  QCOMPARE(gear->palette().color(QPalette::Base), base);
  // The current box is named on the page, not only by its unit.
  auto *current = w.findChild<QLabel *>("lblDenryu");
  QCOMPARE(current->text(), p.m.msg(5218));
  QCOMPARE(current->buddy(), w.findChild<QWidget *>("txtDenryu"));
}

void tst_Ui::keyboard_data() {
  QTest::addColumn<QString>("window"); // "" for the main window
  QTest::addColumn<QString>("focus");
  QTest::addColumn<QKeySequence>("keys");
  QTest::addColumn<QString>("pressed");
  QTest::newRow("open") << "" << "txtGEAR" << QKeySequence(QKeySequence::Open) << "mnuFileOpen";
  QTest::newRow("save") << "" << "txtGEAR" << QKeySequence(QKeySequence::Save) << "mnuFileSaveAs";
  QTest::newRow("print") << "" << "cmdMOVE" << QKeySequence(QKeySequence::Print) << "mnuFilePrint";
  QTest::newRow("quit") << "" << "txtGEAR" << QKeySequence(u"Ctrl+Q"_qs) << "mnuFileExit";
  QTest::newRow("Enter in Options, on Refresh")
      << "frmOption" << "cmdRefresh" << QKeySequence(Qt::Key_Return) << "cmdOK";
  QTest::newRow("Enter in Print Setting")
      << "frmPrintSelect" << "cmdSelectPosiFile" << QKeySequence(Qt::Key_Return) << "cmdPrintSet";
}

// The desktop's keys reach the commands; Enter in a dialog is its OK.
void tst_Ui::keyboard() {
  QFETCH(QString, window);
  QFETCH(QString, focus);
  QFETCH(QString, pressed);
  Shown shown(false);
  auto &[simulated, dialogs, p, w] = shown;
  const QList<QWidget *> windows = buildWindows(p, &w);
  p.Main(false);
  Window &model = window.isEmpty() ? static_cast<Window &>(p.frmMain)
                  : window == u"frmOption"_qs ? static_cast<Window &>(p.frmOption)
                                               : static_cast<Window &>(p.frmPrintSelect);
  QStringList clicked;
  for (Control *c : model.controls())
    c->onClick = [&clicked, c] { clicked << c->name(); };
  model.form.setVisible(true);
  QWidget *top = window.isEmpty() ? &w : QApplication::activeModalWidget();
  QVERIFY(top && QTest::qWaitForWindowActive(top));
  auto *target = top->findChild<QWidget *>(focus);
  QVERIFY(target);
  target->setFocus();
  QFETCH(QKeySequence, keys);
  QTest::keySequence(target, keys);
  QCOMPARE(clicked, QStringList{pressed});
  // Every menu can be reached from the keyboard, and F1 is shown for help.
  for (QAction *menu : w.menuBar()->actions())
    QVERIFY2(menu->text().contains(u'&'), qPrintable(menu->text()));
  QCOMPARE(w.findChild<QAction *>("mnuHelpContents")->shortcut(), QKeySequence(Qt::Key_F1));
  model.form.setVisible(false);
  qDeleteAll(windows);
}

QTEST_MAIN(tst_Ui)
#include "tst_ui.moc"
