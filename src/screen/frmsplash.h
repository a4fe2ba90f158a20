#pragma once
#include "window.h"

#include <QTimer>

// The splash window shown for two seconds at start.
class FrmSplash : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmSplash();

  Control lblTitle{this, "lblTitle", K::Label, &form, "KOV-T6"};
  Control lblProduct{this, "lblProduct", K::Label, &form, "ZT-KOV PC software"};
  Control lblVersion{this, "lblVersion", K::Label, &form};

  QTimer timerSplash;
};
