#include "program.h"
#include "basic.h"
#include "datafolder.h"
#include "setrescaptions.h"
#include "startup.h"

#include "help.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QLocale>

Program::Program(Dialogs &d) : closingDialogs(d), dialogs(closingDialogs) {
  frmMain.mnuFileExit.onClick([this] { mnuFileExit_Click(); });
  serialPort.network().setTexts([this](int n) { return m.msg(n); });
  frmMain.mnuHelpContents.onClick([this] { ShowHelp(m.told(414)); });
  frmMain.mnuHelpAbout.onClick([this] { mnuHelpAbout_Click(); });
  frmAbout.cmdOK.onClick([this] { frmAbout.form.setVisible(false); });
  frmAbout.cmdSysInfo.onClick([this] { RunSystemInfo(); });
  connect(&frmMain.Timer1, &QTimer::timeout, this, &Program::showClock);
  connect(&indexData.document, &Document::changed, this, &Program::showTitle);
  connect(&params.document, &Document::changed, this, &Program::showTitle);
  connect(&frmMain.SSTab1, &Control::changed, this, &Program::showTitle);
  // What a continuous run and the monitor are doing, in the status line.
  connect(&motion, &MotionTest::cycleCompleted, this, [this](int, qint64 ms) { lastCycleMs_ = ms; });
  connect(&motion, &MotionTest::moveCompleted, this, [this](int number, qint64 ms) {
    if (number == 1)
      lastCycleMs_ = -1;
    if (!frmMain.optCNT.isChecked())
      dialogs.done(m.told(5322).arg(ms));
    else
      dialogs.done(lastCycleMs_ < 0 ? m.told(5213).arg(number).arg(ms)
                                    : m.told(5142).arg(number).arg(ms).arg(lastCycleMs_));
  });
  compare.lineInUse = [this] { return io.IoMonitoring; };
  compare.entrySet = [this](qint64 id) { return memory.entryParams(id); };
  // A port chosen in the options is no named line any more.
  connect(&options, &OptionDialog::portChanged, this, [this] { memory.forgetLine(); });
  // What a command of the window did is kept, as kov-t6-cli keeps its own.
  connect(&frmMain, &FrmMain::commandEnded, this, [this](const QString &command, int code) {
    dialogs.outcome.end(code);
    memory.keep(command, dialogs.outcome);
  });
  connect(&link, &Link::alarmed, this, [this](const QString &key, const QString &text) { memory.alarm(key, text); });
  connect(&io, &IoMonitor::ticked, this, [this] { dialogs.done(m.told(5143)); });
  connect(&io, &IoMonitor::stopped, this, [this] { dialogs.done(m.told(5148)); });
  connect(&io, &IoMonitor::stopped, this, &Program::runEnded);
  connect(&motion, &MotionTest::homingEnded, this, &Program::runEnded);
  connect(&motion, &MotionTest::runEnded, this, &Program::runEnded);
}

namespace {
struct PageSave {
  int caption;
  std::function<bool()> saveAs;
};
} // namespace

void Program::showTitle() {
  if (title_.isNull())
    return; // not loaded yet
  const Document &d = frmMain.SSTab1.currentTab() == 1 ? params.document : indexData.document;
  const QString name = QFileInfo(d.path()).fileName();
  frmMain.form.setText(name.isEmpty() ? title_ : title_ + QStringLiteral(" — ") + name);
  frmMain.form.setModified(d.isEdited());
}

QList<Window *> Program::windows() {
  return {&frmMain, &frmSplash, &frmDevice, &frmTrance, &frmOption, &frmPrintSelect, &frmAbout};
}

void Program::showSplash() {
  frmSplash.lblProduct.setText(m.msg(5306));
  frmSplash.lblVersion.setText(
      VersionText(KOV_VERSION_MAJOR, KOV_VERSION_MINOR, KOV_VERSION_PATCH));
  frmSplash.form.setVisible(true);
  // Sleep in an event loop until the splash timer's single tick.
  QEventLoop wait;
  connect(&frmSplash.timerSplash, &QTimer::timeout, &wait, &QEventLoop::quit);
  frmSplash.timerSplash.start();
  wait.exec();
  frmSplash.form.setVisible(false);
}

void Program::Main(bool splash) {
  // The language first, so that the splash speaks it too.
  LoadSettings(m, store);
  if (languageOverride)
    m.useLanguege(*languageOverride);
  if (splash)
    showSplash();
  dialogs.useLanguege(m.Languege);
  if (portOverride)
    m.PortNo = *portOverride;
  if (!deviceOverride.isEmpty())
    serialPort.portMap().setOverride(m.PortNo, deviceOverride);
  // The line chosen last time, unless this run names its own port.
  if (resumesLine && !portOverride && deviceOverride.isEmpty() && !link.simulated())
    memory.resumeLine();
  frmMain_Load();
  link.showPort();
  frmMain.form.setVisible(true);
  frmMain.lblstatus.setText(QString());
  // Until the first command: what the simulator is, and where to begin.
  if (link.simulated())
    dialogs.done(m.told(5307));
}

void Program::frmMain_Load() {
  FrmMain &f = frmMain;
  const Messages msg = m.messages();
  // A place no screen could have, or no number at all, is no place the operator left.
  auto place = [this](const char *key) {
    return int(WholeIn(store.number(QString::fromLatin1(key), 1000), -1'000'000, 1'000'000).value_or(1000));
  };
  f.form.left = place("MainLeft");
  f.form.top = place("MainTop");
  // A size that no window could have is no size the operator left.
  auto size = [this](const char *key, int designed) {
    const double v = store.number(QString::fromLatin1(key), designed);
    return v >= 1500 && v <= 150000 ? int(v) : designed;
  };
  f.form.width = size("MainWidth", f.form.width);
  f.form.height = size("MainHeight", f.form.height);
  f.form.maximized = store.flag(QStringLiteral("MainMaximized"), false);
  helpPath = help::SetHelpPath(DataFolder(), help::ManualName(m.Languege));
  offerHelp();
  SetResCaptions(f, msg);
  title_ = f.form.text();
  link.Get_ErrorList();

  indexData.mainWindowLoad();
  params.mainWindowLoad();
  io.nameLamps();

  // Captions set by code rather than by Tag.
  f.SSTab1.setTabCaption(0, msg.text(938));
  f.SSTab1.setTabCaption(1, msg.text(35));
  const std::pair<Control *, int> captions[] = {
      {&f.cmdGetfromCt, 805}, {&f.cmdLoadtoCt, 807}, {&f.cmdFileOpen, 806},
      {&f.cmdSaveFile, 808},  {&f.cmdMOVE, 511},     {&f.optCNT, 512},
      {&f.optSTEP, 513},      {&f.cmdSTOP, 515},     {&f.cmdHOME, 542},
      {&f.cmdDataPrint, 811}, {&f.cmdFilePrint, 812}, {&f.cmdIoMonitor, 702},
      {&f.lblWait, 528},      {&f.Frame1, 501},      {&f.Frame4, 244},
      {&f.Frame2, 570},       {&f.Frame3, 211},      {&f.cmdRESET, 286},
      {&f.lblVel, 3002},      {&f.lblACC, 3003},     {&f.lblDiv, 3004},
      {&f.lblGear, 3005},     {&f.lblRot, 3008}};
  for (const auto &[control, n] : captions)
    control->setText(msg.text(n));
  f.cmdSTOP.setToolTipText(msg.text(5144));
  // The one menu whose caption has no mnemonic of its own.
  f.mnuCont.setText(msg.text(285) + QStringLiteral("(&C)"));
  link.showContact(Link::Contact::None);

  indexData.selectStartValues();

  showClock();
  f.Timer1.start();
}

void Program::frmMain_Unload() {
  if (unloaded_)
    return;
  unloaded_ = true;
  closingDialogs.closed = true;
  // A transfer still waiting for the controller ends here, port closed.
  // A monitor that set the controller's monitor mode takes it back first,
  // at once or, when a tick waits, as that tick unwinds.
  link.shutdown();
  if (!link.waiting())
    io.leaveMonitorMode();
  frmMain.Timer1.stop();
  // A language given for one run is not the operator's stored choice; one
  // chosen in the options is.
  if (languageOverride && !m.LangChanged)
    m.Languege = store.int16(QStringLiteral("Languege"), 1);
  SaveSettingsAtUnload(m, store);
  // Where the operator left the main window, for the next start.
  const Control &form = frmMain.form;
  store.write(QStringLiteral("MainLeft"), form.left);
  store.write(QStringLiteral("MainTop"), form.top);
  store.write(QStringLiteral("MainWidth"), form.width);
  store.write(QStringLiteral("MainHeight"), form.height);
  store.write(QStringLiteral("MainMaximized"), form.maximized ? 1 : 0);
  for (Window *w : windows())
    w->form.setVisible(false);
}

bool Program::mayClose() {
  if (unloaded_ || (!indexData.document.isEdited() && !params.document.isEdited()))
    return true;
  const bool running = motion.isMoving() || motion.isHoming() || io.IoMonitoring;
  if (running) {
    closeAfterRun_ = true;
    if (motion.isMoving())
      motion.cmdSTOP_Click();
    if (motion.isHoming())
      motion.cmdHOME_Click(); // the second press: stop waiting
    if (io.IoMonitoring)
      io.IoMonitorStop();
    return false;
  }
  const std::pair<Document *, PageSave> pages[] = {
      {&indexData.document, {938, indexData.saveAs}}, {&params.document, {35, params.saveAs}}};
  for (const auto &[document, page] : pages) {
    if (!document->isEdited())
      continue;
    switch (dialogs.message(m.told(5210).arg(m.msg(page.caption)), Dialogs::Buttons::SaveDiscardCancel,
                            Dialogs::Icon::Question)) {
    case Dialogs::Answer::Yes:
      if (!page.saveAs || !page.saveAs())
        return false; // a failed or cancelled save keeps the window
      break;
    case Dialogs::Answer::No: break;
    default: return false;
    }
  }
  return true;
}

void Program::runEnded() {
  if (!std::exchange(closeAfterRun_, false))
    return;
  // Once the command that ran has unwound.
  QMetaObject::invokeMethod(this, &Program::closeRequested, Qt::QueuedConnection);
}

void Program::mnuFileExit_Click() {
  if (!mayClose())
    return;
  frmMain_Unload();
  link.CommPortClose();
  Q_EMIT quitRequested();
}

bool Program::swallowsKey(int vbKeyCode) const {
  return SwallowsKey(vbKeyCode, m.Languege) && !manualExists();
}

void Program::offerHelp() {
  // Help is offered where a manual for the language exists; Japanese keeps
  // its entry regardless, where 414 then says why nothing opens.
  frmMain.mnuHelpContents.setVisible(m.Languege == 1 || manualExists());
}

bool Program::manualExists() const { return !helpPath.isEmpty() && QFileInfo(helpPath).isFile(); }

void Program::ShowHelp(const Told &missingText) {
  if (!manualExists()) {
    dialogs.message(missingText, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    return;
  }
  // A desktop without a browser opens nothing and says nothing.
  if (openDocument && !openDocument(helpPath))
    dialogs.message(m.told(5212).arg(QDir::toNativeSeparators(helpPath)), Dialogs::Buttons::Ok,
                    Dialogs::Icon::Information);
}

CommLog &Program::log() {
  if (!commLog)
    commLog = std::make_unique<CommLog>(link, m.messages());
  return *commLog;
}

void Program::mnuHelpAbout_Click() {
  SetResCaptions(frmAbout, m.messages());
  frmAbout.lblVersion.setText(VersionText(KOV_VERSION_MAJOR, KOV_VERSION_MINOR, KOV_VERSION_PATCH));
  frmAbout.showModal();
}

// No system information tool is registered on this platform.
void Program::RunSystemInfo() { dialogs.message(m.told(1206)); }

void Program::showClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale(m.japanese() ? QLocale::Japanese : QLocale::English);
  frmMain.sbStatusBar.setPanelText(1, locale.toString(now.date(), QLocale::ShortFormat));
  frmMain.sbStatusBar.setPanelText(2, locale.toString(now.time(), QLocale::ShortFormat));
}
