#include "dialogs.h"
#include "keyfilter.h"
#include "mainwindow.h"
#include "program.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KOV-T6"));
  QApplication::setApplicationVersion(
      QStringLiteral("%1.%2.%3").arg(KOV_VERSION_MAJOR).arg(KOV_VERSION_MINOR).arg(KOV_VERSION_PATCH));
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser args;
  args.setApplicationDescription(QStringLiteral("Setup and test tool for the ZT-KOV rotary indexer."));
  args.addHelpOption();
  args.addVersionOption();
  const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                    QStringLiteral("Start without the two-second splash window."));
  args.addOption(noSplash);
  args.process(app);

  Program program;
  MainWindow main(program);
  const QList<QWidget *> windows = buildWindows(program, &main);
  app.installEventFilter(new KeyFilter(program, &app));
  QObject::connect(&program, &Program::quitRequested, &app, &QApplication::quit,
                   Qt::QueuedConnection);

  program.Main(!args.isSet(noSplash));
  const int rc = app.exec();
  qDeleteAll(windows);
  return rc;
}
