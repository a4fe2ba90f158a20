#include "frmprintselect.h"

FrmPrintSelect::FrmPrintSelect() : Window("frmPrintSelect", "Print Setting", "1801") {
  form.setVisible(false);
  optPrintPosi(0).setChecked(true);
  for (Control *c : {&optPrintPara, &lblPrintParaName, &cmdSelectParaFile})
    c->setVisible(false);
}
