#include "gui.h"
#include "keyfilter.h"
#include "windows.h"

#include <QApplication>

Gui::Gui()
    : dialogs([this] { return program.closing(); }), program(dialogs), main(program) {
  dialogs.setOwner(&main);
  program.print.target = &printer;
  windows_ = buildWindows(program, &main);
  qApp->installEventFilter(new KeyFilter(program, qApp));
  QObject::connect(&program, &Program::quitRequested, qApp, &QApplication::quit,
                   Qt::QueuedConnection);
}

Gui::~Gui() { qDeleteAll(windows_); }
