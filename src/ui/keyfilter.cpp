#include "keyfilter.h"
#include "program.h"

#include <QKeyEvent>

bool KeyFilter::eventFilter(QObject *watched, QEvent *e) {
  if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) {
    constexpr int VbKeyF1 = 112;
    if (static_cast<QKeyEvent *>(e)->key() == Qt::Key_F1) {
      if (p_.swallowsKey(VbKeyF1))
        return true;
      // F1 opens the manual, once a key press (not its shortcut check).
      if (e->type() == QEvent::KeyPress) {
        p_.ShowHelp(p_.m.told(414));
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, e);
}
