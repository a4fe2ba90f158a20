#pragma once
#include "window.h"

// About box: name, version, description and the system information button.
class FrmAbout : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmAbout();

  Control picIcon{this, "picIcon", K::Image, &form};
  Control lblTitle{this, "lblTitle", K::Label, &form, "KOV-T6", "1202"};
  Control lblVersion{this, "lblVersion", K::Label, &form};
  Control lblDescription{this, "lblDescription", K::Label, &form, {}, "1204"};
  Control lblDisclaimer{this, "lblDisclaimer", K::Label, &form, {}, "1205"};
  Control lblHpAddress{this, "lblHpAddress", K::Label, &form, QStringLiteral(KOV_HOMEPAGE)};
  Control cmdOK{this, "cmdOK", K::Button, &form, "OK", "1018"};
  Control cmdSysInfo{this, "cmdSysInfo", K::Button, &form, "System Info..."};
};
