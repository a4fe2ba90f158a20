#include "setrescaptions.h"
#include "basic.h"
#include "window.h"

namespace {

std::optional<QString> messageFor(const Messages &m, const QString &number) {
  const double v = Val(number);
  if (v <= 0)
    return std::nullopt;
  return m.find(int(v));
}

void setCaption(Control &c, const Messages &m, const QString &number) {
  if (auto t = messageFor(m, number))
    c.setText(*t);
}

void setToolTip(Control &c, const Messages &m) {
  if (c.toolTip.isEmpty())
    return;
  if (auto t = messageFor(m, c.toolTip))
    c.setToolTipText(*t);
}

} // namespace

void SetResCaptions(Window &window, const Messages &messages) {
  if (!window.form.tag.isEmpty())
    setCaption(window.form, messages, window.form.tag);
  for (Control *c : window.controls()) {
    switch (c->kind()) {
    case Control::Kind::Menu:
    case Control::Kind::MenuItem:
      // A menu entry is bound by a design caption that is a message number.
      setCaption(*c, messages, c->text());
      break;
    case Control::Kind::Separator:
      break;
    default:
      if (c->hasCaption())
        setCaption(*c, messages, c->tag);
      setToolTip(*c, messages);
      break;
    }
  }
}
