#include "gui.h"
#include "keyfilter.h"
#include "widgets.h"
#include "windows.h"

#include <QApplication>
#include <QIcon>
#include <QDesktopServices>
#include <QUrl>

Gui::Gui()
    : dialogs([this] { return program.closing(); }), program(dialogs), main(program) {
  dialogs.setOwner(&main);
  program.resumesLine = true;
  QApplication::setWindowIcon(QIcon(programIcon(64)));
  program.print.target = &printer;
  program.openDocument = [](const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  windows_ = buildWindows(program, &main);
  qApp->installEventFilter(new KeyFilter(program, qApp));
  QObject::connect(&program, &Program::quitRequested, qApp, &QApplication::quit,
                   Qt::QueuedConnection);
}

Gui::~Gui() { qDeleteAll(windows_); }
