#include "fakedialogs.h"
#include "commandlock.h"
#include "frmmain.h"
#include "setrescaptions.h"

#include <QProcess>
#include <QSignalSpy>
#include <optional>
#include "testenv.h"

class tst_Screen : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void setResCaptions_data() {
    QTest::addColumn<Control::Kind>("kind");
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("message"); // 0: the design text stays
    using K = Control::Kind;
    const std::tuple<const char *, K, const char *, const char *, int> rows[] = {
        {"numeric tag", K::Button, "design", "613", 613},  {"no tag", K::Label, "design", "", 0},
        {"text tag", K::Label, "design", "abc", 0},         {"unknown message", K::Button, "design", "9999", 0},
        {"zero tag", K::Check, "design", "0", 0},           {"a text box has no caption", K::Text, "design", "613", 0},
        {"menu number", K::Menu, "250", "", 250},           {"menu word", K::MenuItem, "design", "613", 0},
        {"menu leading number", K::MenuItem, "252 entry", "", 252}, {"separator", K::Separator, "-", "", 0}};
    for (const auto &[name, kind, design, tag, message] : rows)
      QTest::newRow(name) << kind << design << tag << message;
  }
  // Captions bound to messages by Tag, menus by a leading number; the window's own Tag too.
  void setResCaptions() {
    QFETCH(Control::Kind, kind);
    QFETCH(QString, design);
    QFETCH(QString, tag);
    QFETCH(int, message);
    for (const int languege : {1, 2}) {
      Window w("frmSample", "design", "1401");
      Control c(&w, "c", kind, &w.form, design, tag);
      c.toolTip = tag;
      SetResCaptions(w, Messages(languege == 2 ? msgtable::EnglishBase : 0));
      QCOMPARE(c.text(), message ? kt::msg(message, languege) : design);
      QCOMPARE(w.form.text(), kt::msg(1401, languege));
      if (c.hasCaption() && kind != Control::Kind::Menu && kind != Control::Kind::MenuItem) // tool tips as Tags
        QCOMPARE(c.toolTip, message ? kt::msg(message, languege) : tag);
    }
  }

  void handlers_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text"); // the list holds "7" and "8"
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("clicks");
    const std::tuple<const char *, const char *, const char *, int, int> rows[] = {
        {"text box", "txtGEAR", "8", 1, 0},      {"list, a text without an item", "comboVEL", "x", 1, 0},
        {"list, an item", "comboVEL", "8", 0, 2}, {"label", "lblVel", "8", 0, 0},
        {"button", "cmdMOVE", "8", 0, 0},         {"option button", "optCW", "8", 0, 0},
        {"check box", "chkTimerUse", "8", 0, 0},  {"frame", "Frame2", "8", 0, 0}};
    for (const auto &[name, control, text, changes, clicks] : rows)
      QTest::newRow(name) << control << text << changes << clicks;
  }
  // A text set twice from code runs the change handler of text boxes and
  // lists only, once; a list selects the item that carries it, a click each time.
  void handlers() {
    QFETCH(QString, control);
    QFETCH(QString, text);
    FrmMain f;
    f.comboVEL.addItem("7", 0);
    f.comboVEL.addItem("8", 1);
    Control *c = f.find(control);
    int changes = 0, clicks = 0;
    c->onChange([&] { ++changes; });
    c->onClick([&] { ++clicks; });
    c->setText(text);
    c->setText(text);
    QVERIFY(c->text() == text && c->listIndex() == (text == u"8" && c == &f.comboVEL ? 1 : -1));
    QTEST(changes, "changes");
    QTEST(clicks, "clicks");
  }

  // Handlers connected to one control all run, in the order connected.
  void handlersInOrder() {
    FrmMain f;
    QString trace;
    for (const char *n : {"1", "2"}) {
      auto note = [&trace, n](const char *what) { return [&trace, what, n] { trace += QLatin1String(what) + QLatin1String(n); }; };
      f.txtGEAR.onChange(note("change"));
      f.chkTimerUse.onClick(note("click"));
      f.imgWhiteIcon(0).onDblClick(note("dbl"));
      f.txtGEAR.onLostFocus(note("left"));
    }
    f.txtGEAR.setText("5");
    f.chkTimerUse.setChecked(true);
    f.imgWhiteIcon(0).dblClick();
    f.txtGEAR.lostFocus();
    QCOMPARE(trace, u"change1change2click1click2dbl1dbl2left1left2"_qs);
  }

  // Only one key filter can decide on a key: a second is a programming error.
  void secondKeyFilter() {
#ifdef QT_NO_DEBUG
    QSKIP("assertions are off in this build");
#endif
    if (qEnvironmentVariableIsSet("KOV_SECOND_KEY_FILTER")) {
      FrmMain f;
      f.txtGEAR.onKeyPress([](int key) { return key; });
      f.txtGEAR.onKeyPress([](int key) { return key; });
      return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KOV_SECOND_KEY_FILTER"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("secondKeyFilter")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(child.readAll().contains("one key filter per control"));
  }

  // An index outside the list selects nothing.
  void listIndexOutside() {
    FrmMain f;
    f.comboVEL.addItem("7", 0);
    for (const int i : {-2, 1, 5}) {
      f.comboVEL.setListIndex(0);
      f.comboVEL.setListIndex(i);
      QVERIFY(f.comboVEL.listIndex() == -1 && f.comboVEL.text().isEmpty());
    }
  }

  // A disabled frame or tab page disables what lies on it, however deep.
  void containers() {
    FrmMain f;
    f.Frame2.setEnabled(false);
    QVERIFY(f.txtGEAR.isEnabled() && !f.txtGEAR.isEffectivelyEnabled() && f.cmdLoadtoCt.isEffectivelyEnabled());
    f.Frame2.setEnabled(true);
    f.SSTab1.setCurrentTab(1);
    for (int beyond : {-1, 2})
      f.SSTab1.setCurrentTab(beyond); // no such page: ignored
    QCOMPARE(f.SSTab1.currentTab(), 1);
    f.SSTab1.setTabEnabled(1, false);
    f.Frame4.setEnabled(false); // holds a panel of lamps
    QVERIFY(!f.cmdParaRead.isEffectivelyEnabled() && !f.txtHomeOffset.isEffectivelyEnabled());
    QVERIFY(f.txtGEAR.isEffectivelyEnabled() && !f.imgWhiteIcon(22).isEffectivelyEnabled());
    // Options exclude each other within their group; the special pairs share a frame, not a group.
    for (Control *c : {&f.optCCW, &f.optEmgLogic(1), &f.optAlarmAutoClear(1)})
      c->setChecked(true);
    QVERIFY(!f.optCW.isChecked() && f.optCNT.isChecked() && !f.optEmgLogic(0).isChecked());
    QVERIFY(f.optEmgLogic(1).isChecked() && f.optAlarmAutoClear(1).isChecked() && !f.optAlarmAutoClear(0).isChecked());
  }

  void outcome_data() {
    QTest::addColumn<int>("buttons"); // -1: no question asked
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("differs");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("result");
    using B = Dialogs::Buttons;
    using A = Dialogs::Answer;
    using R = Outcome::Result;
    QTest::newRow("done") << -1 << 0 << false << 0 << int(R::Done);
    QTest::newRow("failed") << -1 << 0 << false << 1 << int(R::Failed);
    QTest::newRow("a write declined") << int(B::YesNo) << int(A::No) << false << 1 << int(R::Cancelled);
    QTest::newRow("a save cancelled") << int(B::OkCancel) << int(A::Cancel) << false << 1 << int(R::Cancelled);
    QTest::newRow("discarding declines nothing") << int(B::SaveDiscardCancel) << int(A::No) << false << 1
                                                 << int(R::Failed);
    QTest::newRow("a question answered yes, then failed") << int(B::YesNo) << int(A::Yes) << false << 1
                                                          << int(R::Failed);
    QTest::newRow("differences found") << -1 << 0 << true << 1 << int(R::Differences);
    QTest::newRow("nothing different") << -1 << 0 << true << 0 << int(R::Done);
  }
  // A command's return, with what it asked and found, says what it achieved.
  void outcome() {
    QFETCH(int, buttons);
    QFETCH(int, answer);
    QFETCH(bool, differs);
    QFETCH(int, code);
    FakeDialogs d;
    d.answers = {Dialogs::Answer(answer)};
    if (buttons >= 0)
      d.message(QStringLiteral("?"), Dialogs::Buttons(buttons), Dialogs::Icon::Question);
    d.outcome.differs = differs;
    d.outcome.end(code);
    QTEST(int(d.outcome.result), "result");
    QVERIFY(!d.outcome.differs);
  }

  // The last box that asked nothing is what was told, else the last status
  // line; every number is kept, in order, through arguments and joins.
  void toldNumbers() {
    const Messages msg(msgtable::EnglishBase);
    FakeDialogs d;
    d.status(msg.told(5007).arg("a", "b", "c", "d"));
    QCOMPARE(d.outcome.told.numbers, QList<int>{5007});
    d.message(msg.told({7, 8}) + QStringLiteral("\r\n") + msg.told(5211).arg("x"));
    d.message(msg.told(470), Dialogs::Buttons::YesNo, Dialogs::Icon::Question);
    d.status(msg.told(5141));
    d.done(msg.told(5141)); // a monitor's tick after tick: once
    QCOMPARE(d.outcome.told.numbers, (QList<int>{7, 8, 5211}));
    QCOMPARE(d.outcome.told.text, msg.joined({7, 8}) + QStringLiteral("\r\n") + msg.text(5211).arg("x"));
    QCOMPARE(d.outcome.messages, (QList<int>{5007, 7, 8, 5211, 470, 5141}));
    QVERIFY(d.outcome.declined);
  }

  void commandLock_data() {
    QTest::addColumn<QList<int>>("groups"); // CommandLock::Group
    QTest::addColumn<QString>("trace");     // C buttons, M menus, P parameter buttons, T a page
    using G = CommandLock::Group;
    auto row = [](const char *name, QList<G> groups, const char *trace) {
      QList<int> g;
      for (G x : groups)
        g << int(x);
      QTest::newRow(name) << g << QString::fromLatin1(trace);
    };
    row("reset", {G::Commands, G::Menus, G::ParameterButtons}, "C-M-P-|C+M+P+");
    row("parameter file", {G::ParameterButtons, G::Menus}, "P-M-|P+M+");
    row("data command", {G::DataCommand}, "C-T-M-|C+T+M+");
    row("parameter transfer", {G::Commands, G::ParaCommand}, "C-P-T-M-|C+P+T+M+");
  }
  // Groups lock in the order given and unlock in that order, once: a lock
  // released early leaves a later one alone.
  void commandLock() {
    QFETCH(QList<int>, groups);
    FrmMain f;
    QString trace;
    const std::pair<Control *, QChar> watched[] = {
        {&f.cmdFileOpen, u'C'}, {&f.mnuFileNew, u'M'}, {&f.cmdReadParaFile, u'P'}, {&f.SSTab1, u'T'}};
    for (const auto &w : watched)
      connect(w.first, &Control::changed, w.first, [&f, &trace, c = w.first, letter = w.second] {
        const bool on = c == &f.SSTab1 ? f.SSTab1.isTabEnabled(0) && f.SSTab1.isTabEnabled(1) : c->isEnabled();
        trace += letter + QString(on ? u'+' : u'-');
      });
    QSignalSpy started(&f, &FrmMain::commandStarted);
    QList<CommandLock::Group> g;
    for (int x : groups)
      g << CommandLock::Group(x);
    std::optional<CommandLock> lock(std::in_place, f, g);
    trace += u'|';
    lock->release();
    QTEST(trace, "trace");
    QCOMPARE(started.size(), 1);
    const CommandLock later(f, {CommandLock::Group::Commands, CommandLock::Group::ParameterButtons});
    lock.reset();
    QVERIFY(!f.cmdFileOpen.isEnabled() && !f.cmdReadParaFile.isEnabled());
  }
};

KOV_TEST_GUILESS_MAIN(tst_Screen)
#include "tst_screen.moc"
