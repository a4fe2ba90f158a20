#include "windows.h"
#include "keyfilter.h"
#include "mainwindow.h"
#include "program.h"
#include "qtdialogs.h"
#include "simportdevice.h"

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
  const QCommandLineOption device(QStringLiteral("device"),
                                  QStringLiteral("Open PATH as the serial port in use."),
                                  QStringLiteral("PATH"));
  args.addOption(device);
  const QCommandLineOption simulator(
      QStringLiteral("simulator"),
      QStringLiteral("Every port number reaches the built-in controller simulator."));
  args.addOption(simulator);
  args.process(app);

  SimPortDevice simulated; // outlives the program that may talk through it
  Program *self = nullptr;
  QtDialogs dialogs([&self] { return self && self->closing(); });
  Program program(dialogs);
  self = &program;
  program.deviceOverride = args.value(device);
  if (args.isSet(simulator))
    program.link.setDevice(&simulated);
  MainWindow main(program);
  dialogs.setOwner(&main);
  const QList<QWidget *> windows = buildWindows(program, &main);
  app.installEventFilter(new KeyFilter(program, &app));
  QObject::connect(&program, &Program::quitRequested, &app, &QApplication::quit,
                   Qt::QueuedConnection);

  program.Main(!args.isSet(noSplash));
  const int rc = app.exec();
  qDeleteAll(windows);
  return rc;
}
