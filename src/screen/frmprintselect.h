#pragma once
#include "window.h"

// Chooses what the index data report prints: the screen or a file.
class FrmPrintSelect : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmPrintSelect();

  Control lblPrintSet{this, "lblPrintSet", K::Label, &form, {}, "1802"};
  Control frmPrintPosi{this, "frmPrintPosi", K::Frame, &form, "Position Data", "1803"};
  ControlArray optPrintPosi{this, "optPrintPosi", K::Option,
                            {{0, &frmPrintPosi, "Inside of Grid", "1804"},
                             {1, &frmPrintPosi, "File", "1805"}}};
  Control lblPrintPosiName{this, "lblPrintPosiName", K::Label, &frmPrintPosi, {}, "1822"};
  Control cmdSelectPosiFile{this, "cmdSelectPosiFile", K::Button, &frmPrintPosi, "Browse", "1807"};
  // The parameter file choice is designed hidden: no report reads it.
  Control optPrintPara{this, "optPrintPara", K::Option, &form};
  Control lblPrintParaName{this, "lblPrintParaName", K::Label, &form};
  Control cmdSelectParaFile{this, "cmdSelectParaFile", K::Button, &form, "Browse", "1807"};
  Control cmdPrintSet{this, "cmdPrintSet", K::Button, &form, "OK", "1403"};
  Control cmdPrintCancel{this, "cmdPrintCancel", K::Button, &form, "Cancel", "1404"};
};
