#pragma once
#include "fakedialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "settingsstore.h"
#include "testenv.h"

namespace kt {
// Replies are awaited a hundredth of their real time: a silent line fails
// within milliseconds, and a simulated one still answers in time.
constexpr double TimeoutScale = 0.01;
} // namespace kt

// The main window's model and its link over a `Line`, in English unless
// told: what the tests of single commands build on.
template <class Line>
struct LinkRig {
  FakeDialogs dialogs;
  Module1 m;
  FrmMain f;
  SettingsStore store;
  Line line;
  Link link{m, f, dialogs, store, &line};

  explicit LinkRig(qint16 languege = 2) {
    Link::setTimeoutScale(kt::TimeoutScale);
    m.useLanguege(languege);
  }
};
