#pragma once
#include "mainwindow.h"
#include "program.h"
#include "qtdialogs.h"
#include "qtprinttarget.h"
#include "simportdevice.h"

#include <QList>

class QWidget;

// The program with its Qt face: the message boxes, the main window, the
// other windows and the key filter, as kov-t6 runs it.
class Gui {
public:
  Gui();
  ~Gui();
  Gui(const Gui &) = delete;
  Gui &operator=(const Gui &) = delete;

  // Every port number reaches the built-in simulator, at 9600 baud like a
  // controller (so that polling sleeps on the line as it would).
  void useSimulator() {
    simulated.sim()->setPaced(true);
    program.link.setDevice(&simulated);
  }

  SimPortDevice simulated; // outlives the program that may talk through it
  QtDialogs dialogs;
  Program program;
  MainWindow main;
  QtPrintTarget printer{&main};

private:
  QList<QWidget *> windows_;
};
