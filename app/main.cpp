#include "gui.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstring>

namespace {
struct Options {
  QCommandLineParser args;
  QCommandLineOption noSplash{QStringLiteral("no-splash"),
                              QStringLiteral("Start without the two-second splash window.")};
  QCommandLineOption device{QStringLiteral("device"),
                            QStringLiteral("Open PATH as the serial port in use; tcp://HOST:PORT or rfc2217://HOST:PORT reach a serial device server."),
                            QStringLiteral("PATH")};
  QCommandLineOption lang{QStringLiteral("lang"),
                          QStringLiteral("Language of this run: ja or en (the stored setting stays)."),
                          QStringLiteral("ja|en")};
  QCommandLineOption simulator{
      QStringLiteral("simulator"),
      QStringLiteral("Every port number reaches the built-in controller simulator.")};
  Options() {
    args.setApplicationDescription(
        QStringLiteral("Setup and test tool for the ZT-KOV rotary indexer."));
    args.addHelpOption();
    args.addVersionOption();
    args.addOptions({noSplash, device, lang, simulator});
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

  const QString lang = args.value(options.lang);
  if (args.isSet(options.lang) && lang != u"ja" && lang != u"en") {
    QTextStream(stderr) << "kov-t6: --lang takes ja or en\n";
    return 2;
  }
  Gui gui;
  if (!lang.isEmpty())
    gui.program.languageOverride = lang == u"ja" ? 1 : 2;
  gui.program.deviceOverride = args.value(options.device);
  if (args.isSet(options.simulator))
    gui.useSimulator();
  gui.program.Main(!args.isSet(options.noSplash));
  const int rc = app.exec();
  return rc;
}
