#pragma once
#include "window.h"

// Dialog to choose the actuator whose standard parameters are loaded.
class FrmDevice : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmDevice();

  Control lblDeviceSetumei{this, "lblDeviceSetumei", K::Label, &form, {}, "1402"};
  Control lblDeviceSize{this, "lblDeviceSize", K::Label, &form, "SIZE", "1410"};
  Control comboDeviceSize{this, "comboDeviceSize", K::Combo, &form};
  Control chkDevPgUse{this, "chkDevPgUse", K::Check, &form, "with Encorder", "1413"};
  Control cmdDeviceSet{this, "cmdDeviceSet", K::Button, &form, "OK", "1403"};
  Control cmdDeviceCancel{this, "cmdDeviceCancel", K::Button, &form, "Cancel", "1404"};
};
