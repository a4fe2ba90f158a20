#include "frmabout.h"

FrmAbout::FrmAbout() : Window("frmAbout", "KOV-T6 Version Information...", "1201") {
  form.setVisible(false);
}
