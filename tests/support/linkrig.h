#pragma once
#include "fakedialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "settingsstore.h"

// The main window model and its link over a `Line`, in English: what the
// tests of the controller commands build on.
template <class Line>
struct LinkRig {
  FakeDialogs dialogs;
  Module1 m;
  FrmMain f;
  SettingsStore store;
  Line line;
  Link link{m, f, dialogs, store, &line};

  LinkRig() { m.useLanguege(2); }
};
