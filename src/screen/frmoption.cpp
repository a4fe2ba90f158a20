#include "frmoption.h"

FrmOption::FrmOption() : Window("frmOption", "Setting", "280") {
  form.setVisible(false);
  SSTabOption.setTabCount(3);
}
