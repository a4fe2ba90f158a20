#include "frmsplash.h"

FrmSplash::FrmSplash() : Window("frmSplash", "KOV-T6") {
  form.setVisible(false);
  timerSplash.setInterval(2000);
  timerSplash.setSingleShot(true);
}
