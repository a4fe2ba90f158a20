#pragma once
#include "fakedialogs.h"
#include "linkrig.h"
#include "program.h"
#include "simportdevice.h"

// The whole program on a `Line` (the built-in simulator unless told), its
// dialogs answered by FakeDialogs, started in `languege` (1 Japanese,
// 2 English) unless `started` is false.
template <class Line = SimPortDevice>
struct ProgramRig {
  Line line;
  FakeDialogs dialogs;
  Program p{dialogs};

  explicit ProgramRig(qint16 languege = 2, bool started = true) {
    Link::setTimeoutScale(kt::TimeoutScale);
    kt::settings({{"Languege", QString::number(languege)}, {"PortOccupy", "0"}});
    p.link.setDevice(&line);
    if (started)
      start();
  }
  void start() { p.Main(false); }
  FrmMain &f() { return p.frmMain; }
};
