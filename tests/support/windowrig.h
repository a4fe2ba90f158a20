#pragma once
#include "mainwindow.h"
#include "programrig.h"

// The program with its main window shown, on the built-in simulator; the
// window exists before the program starts, as in kov-t6.
struct WindowRig : ProgramRig<> {
  MainWindow w{p};

  explicit WindowRig(qint16 languege = 2, bool started = true) : ProgramRig(languege, false) {
    if (started)
      start();
  }
  template <class W> W *find(const QString &name) { return w.findChild<W *>(name); }
};
