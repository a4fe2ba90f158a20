#include "windows.h"
#include "keyfilter.h"
#include "mainwindow.h"
#include "program.h"
#include "qtdialogs.h"
#include "simportdevice.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstring>

namespace {
struct Options {
  QCommandLineParser args;
  QCommandLineOption noSplash{QStringLiteral("no-splash"),
                              QStringLiteral("Start without the two-second splash window.")};
  QCommandLineOption device{QStringLiteral("device"),
                            QStringLiteral("Open PATH as the serial port in use."),
                            QStringLiteral("PATH")};
  QCommandLineOption simulator{
      QStringLiteral("simulator"),
      QStringLiteral("Every port number reaches the built-in controller simulator.")};
  Options() {
    args.setApplicationDescription(
        QStringLiteral("Setup and test tool for the ZT-KOV rotary indexer."));
    args.addHelpOption();
    args.addVersionOption();
    args.addOptions({noSplash, device, simulator});
  }
};

void nameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("KOV-T6"));
  QCoreApplication::setApplicationVersion(
      QStringLiteral("%1.%2.%3").arg(KOV_VERSION_MAJOR).arg(KOV_VERSION_MINOR).arg(KOV_VERSION_PATCH));
}

// Help and version are printed without a display, as a terminal user expects.
bool textOnly(int argc, char *argv[]) {
  for (int i = 1; i < argc; ++i)
    for (const char *o : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], o) == 0)
        return true;
  return false;
}
} // namespace

int main(int argc, char *argv[]) {
  if (textOnly(argc, argv)) {
    QCoreApplication core(argc, argv);
    nameApplication();
    Options options;
    options.args.process(core); // prints and exits
    return 0;
  }
  QApplication app(argc, argv);
  nameApplication();
  QApplication::setQuitOnLastWindowClosed(false);

  Options options;
  QCommandLineParser &args = options.args;
  args.process(app);

  SimPortDevice simulated; // outlives the program that may talk through it
  Program *self = nullptr;
  QtDialogs dialogs([&self] { return self && self->closing(); });
  Program program(dialogs);
  self = &program;
  program.deviceOverride = args.value(options.device);
  if (args.isSet(options.simulator))
    program.link.setDevice(&simulated);
  MainWindow main(program);
  dialogs.setOwner(&main);
  const QList<QWidget *> windows = buildWindows(program, &main);
  app.installEventFilter(new KeyFilter(program, &app));
  QObject::connect(&program, &Program::quitRequested, &app, &QApplication::quit,
                   Qt::QueuedConnection);

  program.Main(!args.isSet(options.noSplash));
  const int rc = app.exec();
  qDeleteAll(windows);
  return rc;
}
