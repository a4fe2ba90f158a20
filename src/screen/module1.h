#pragma once
#include "messagetable.h"

#include <array>

// State shared by every part of the program: the operator's settings as
// loaded at start and changed by the options dialog.
struct Module1 {
  qint16 Languege = 1; // 1 Japanese, any other value English
  int LangBase = 0;    // 0 or 10000, fixed for the run
  qint16 PortNo = 1;
  bool PortOccupy = true;
  bool MmRoundUp = true;
  bool DispMmUnit = true;
  bool LangChanged = false; // the options dialog picked the other language

  // 1 while the file print runs: the print dialog offers files only.
  qint16 FilePrintMode = 0;
  // The move test's short wait has elapsed.
  bool MmsecDone = false;
  // The I/O words by digit (from 1) and bit position (0 is mask 8, 3 mask 1),
  // and the output changes asked for.
  std::array<std::array<bool, 5>, 4> InputBit{};
  std::array<std::array<bool, 5>, 3> OutputBit{};
  std::array<std::array<bool, 5>, 3> OutputToggle{};

  // The language of this run, and with it the texts' base.
  void useLanguege(qint16 languege) {
    Languege = languege;
    LangBase = languege == 1 ? 0 : 10000;
  }

  Messages messages() const { return Messages(LangBase); }
  QString msg(int n) const { return messages().text(n); }
  Told told(int n) const { return messages().told(n); }
  Told told(std::initializer_list<int> ns) const { return messages().told(ns); }
  bool japanese() const { return Languege == 1; }
};
