#pragma once
#include "window.h"

// Busy window shown while data are sent to the controller.
class FrmTrance : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmTrance();

  Control lblSetumei{this, "lblSetumei", K::Label, &form, {}, "2402"};
  Control prgBar1{this, "prgBar1", K::Progress, &form};
};
