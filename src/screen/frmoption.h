#pragma once
#include "window.h"

// Options: serial port, holding the port, language, display unit and the
// plant's memory (safe write, where the history is kept).
class FrmOption : public Window {
  Q_OBJECT
  using K = Control::Kind;

public:
  FrmOption();

  Control SSTabOption{this, "SSTabOption", K::Tab, &form};
  // Tab 0: the serial port.
  Control lblPortNo{this, "lblPortNo", K::Label, &SSTabOption, {}, "2509", 0};
  Control comboPortNo{this, "comboPortNo", K::Combo, &SSTabOption, {}, {}, 0};
  Control cmdRefresh{this, "cmdRefresh", K::Button, &SSTabOption, {}, "5162", 0};
  // Ports that exist but did not open, and why.
  Control lblPortProblems{this, "lblPortProblems", K::Label, &SSTabOption, {}, {}, 0};
  Control chkPortOccupy{this, "chkPortOccupy", K::Check, &SSTabOption, {}, "2510", 0};
  // A network line ("tcp://…", "rfc2217://…") pinned to the next free number.
  Control lblNetLine{this, "lblNetLine", K::Label, &SSTabOption, {}, "5234", 0};
  Control txtNetLine{this, "txtNetLine", K::Text, &SSTabOption, {}, {}, 0};
  Control cmdAddNetLine{this, "cmdAddNetLine", K::Button, &SSTabOption, {}, "5238", 0};
  // Tab 1: display unit (the tab is disabled, its frame hidden).
  Control framDispUnit{this, "framDispUnit", K::Frame, &SSTabOption, {}, "2520", 1};
  ControlArray optDispPos{this, "optDispPos", K::Option,
                          {{0, &framDispUnit, "mm", "2522"}, {1, &framDispUnit, "Pulse", "2521"}}};
  Control framMmUpDown{this, "framMmUpDown", K::Frame, &SSTabOption, {}, {}, 1};
  ControlArray optSutiSyori{this, "optSutiSyori", K::Option,
                            {{0, &framMmUpDown, u"切り上げ"_qs, {}},
                             {1, &framMmUpDown, u"切り捨て"_qs, {}}}};
  Control lblTyuijikou{this, "lblTyuijikou", K::Label, &SSTabOption, {}, "2511", 1};
  // Tab 2: language.
  Control framLanguege{this, "framLanguege", K::Frame, &SSTabOption, u"言語"_qs,
                       "2526", 2};
  ControlArray optLanguege{this, "optLanguege", K::Option,
                           {{0, &framLanguege, {}, "2527"}, {1, &framLanguege, {}, "2528"}}};

  // Tab 3: the plant's memory.
  Control chkSafeWrite{this, "chkSafeWrite", K::Check, &SSTabOption, {}, "5394", 3};
  Control lblHistoryDb{this, "lblHistoryDb", K::Label, &SSTabOption, {}, "5395", 3};
  Control txtHistoryDb{this, "txtHistoryDb", K::Text, &SSTabOption, {}, {}, 3};
  Control lblHistoryDbHint{this, "lblHistoryDbHint", K::Label, &SSTabOption, {}, "5396", 3};

  Control cmdOK{this, "cmdOK", K::Button, &form, "OK", "1403"};
  Control cmdCancel{this, "cmdCancel", K::Button, &form, "Cancel", "1404"};
  Control cmdApply{this, "cmdApply", K::Button, &form, "Close", "2202"};
};
