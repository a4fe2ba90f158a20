#pragma once
#include "control.h"

namespace kt {

// The operator types into a box: each key the box's rules let through
// replaces the selection (the first `selected` characters) or is appended,
// and backspace removes the last character. "\r" is Enter, "\b" backspace.
inline void type(Control &box, const QString &keys, int selected = 0) {
  for (QChar ch : keys) {
    box.selLength = std::exchange(selected, 0);
    box.selStart = box.selLength ? 0 : int(box.text().size());
    const int code = ch == u'\r' ? 13 : ch == u'\b' ? 8 : ch.unicode();
    const int key = box.keyPress(code);
    const QString base = box.selLength ? QString() : box.text();
    if (key == 8)
      box.setText(base.left(base.size() - 1));
    else if (key != 0)
      box.setText(base + QChar(key));
  }
}

} // namespace kt
