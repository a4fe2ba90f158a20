#include "frmtrance.h"

FrmTrance::FrmTrance() : Window("frmTrance", {}, "2401") {
  form.setVisible(false);
}
