// Pictures of the program for the manual and the docs, taken from the real
// windows on the built-in simulator: kov-t6-screenshots DIR ja|en.
#include "commlogwindow.h"
#include "mainwindow.h"
#include "program.h"
#include "qtdialogs.h"
#include "setrescaptions.h"
#include "simportdevice.h"
#include "startup.h"
#include "windows.h"

#include <QApplication>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {
// The status line as an operator sees it; boxes answered at once, since no
// one is there to close them.
class ShotDialogs : public QtDialogs {
public:
  ShotDialogs() : QtDialogs([] { return false; }) {}
  Answer message(const QString &, Buttons buttons, Icon, const QString &) override {
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::Yes : Answer::Cancel;
  }
  QString saveFileName(const FileDialog &) override { return {}; }
  QString openFileName(const FileDialog &) override { return {}; }
};

QWidget *windowOf(const QList<QWidget *> &windows, const Window &model) {
  for (QWidget *x : windows)
    if (x->isVisible() && x->windowTitle().startsWith(model.form.text()))
      return x;
  return nullptr;
}
} // namespace

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3 || (args[2] != "ja" && args[2] != "en")) {
    std::fputs("usage: kov-t6-screenshots DIR ja|en\n", stderr);
    return 2;
  }
  const QString out = args[1], lang = args[2];
  // Settings of its own: the pictures do not depend on the user's.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  QSettings(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6")
      .setValue("Settings/Languege", lang == "ja" ? "1" : "2");

  SimPortDevice simulated;
  ShotDialogs dialogs;
  Program p(dialogs);
  MainWindow w(p);
  dialogs.setOwner(&w);
  const QList<QWidget *> windows = buildWindows(p, &w);
  p.link.setDevice(&simulated);
  p.Main(false);
  int failed = 0;
  auto shot = [&](QWidget *x, const QString &name) {
    QCoreApplication::processEvents(); // laid out and painted
    const QString file = QStringLiteral("%1/%2-%3.png").arg(out, name, lang);
    if (!x || !x->grab().save(file)) {
      std::fprintf(stderr, "kov-t6-screenshots: %s not taken\n", qPrintable(file));
      ++failed;
    }
  };

  // Connected, as after asking for the version and reading the parameters.
  p.controller.mnuShowCtversion_Click();
  p.paramTransfer.cmdParaRead_Click();
  w.resize(w.sizeHint());
  auto *tabs = w.findChild<QTabWidget *>("SSTab1");
  for (int page = 0; page < 2; ++page) {
    tabs->setCurrentIndex(page);
    shot(&w, QStringLiteral("main-page%1").arg(page));
  }

  // The monitor running: STB on, OUT1 switched on by a double-click.
  tabs->setCurrentIndex(0);
  simulated.sim()->setInputWord(0x800);
  p.frmMain.cmdIoMonitor.click();
  p.io.timerInputOutput1_Timer();
  p.frmMain.imgWhiteIcon(24).dblClick();
  p.io.timerInputOutput1_Timer();
  shot(&w, QStringLiteral("main-monitor"));
  p.frmMain.cmdIoMonitor.click();
  p.io.timerInputOutput1_Timer();

  p.options.Form_Load();
  p.frmOption.form.setVisible(true);
  shot(windowOf(windows, p.frmOption), QStringLiteral("options"));
  p.frmOption.form.setVisible(false);

  SetResCaptions(p.frmAbout, p.m.messages());
  p.frmAbout.lblVersion.setText(VersionText(KOV_VERSION_MAJOR, KOV_VERSION_MINOR, KOV_VERSION_PATCH));
  p.frmAbout.form.setVisible(true);
  shot(windowOf(windows, p.frmAbout), QStringLiteral("about"));
  p.frmAbout.form.setVisible(false);

  p.frmMain.mnuViewCommLog.click();
  p.paramTransfer.cmdParaRead_Click();
  shot(w.commLogWindow(), QStringLiteral("commlog"));

  qDeleteAll(windows);
  return failed == 0 ? 0 : 1;
}
