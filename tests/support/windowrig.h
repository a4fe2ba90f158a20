#pragma once
#include "mainwindow.h"
#include "programrig.h"

// The program with its main window shown, on the built-in simulator.
//   auto &[line, dialogs, p, w] = rig;
struct WindowRig {
  SimPortDevice line;
  FakeDialogs dialogs;
  Program p{dialogs};
  MainWindow w{p};

  explicit WindowRig(qint16 languege = 2, bool started = true) {
    Link::setTimeoutScale(kt::TimeoutScale);
    kt::settings({{"Languege", QString::number(languege)}, {"PortOccupy", "0"}});
    p.link.setDevice(&line);
    if (started)
      p.Main(false);
  }
  template <class W> W *find(const QString &name) { return w.findChild<W *>(name); }
};
