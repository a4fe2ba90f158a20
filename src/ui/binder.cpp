#include "binder.h"
#include "control.h"
#include "startup.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <cmath>
#include <QMimeData>
#include <QMouseEvent>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

QColor binder::changedTint(const QWidget *w) {
  const QColor base = QApplication::palette(w).color(QPalette::Base);
  const QColor amber(0xFF, 0xA0, 0x00);
  constexpr double k = 0.4;
  return QColor(int(base.red() * (1 - k) + amber.red() * k), int(base.green() * (1 - k) + amber.green() * k),
                int(base.blue() * (1 - k) + amber.blue() * k));
}

namespace {

QColor toQColor(quint32 c, const QWidget *w) {
  switch (c) {
  case colors::WindowBackground: // the style's, not what a marker left
    return QApplication::palette(w).color(QPalette::Base);
  case colors::InactiveCaptionText:
    return QColor(0xBF, 0xBF, 0xBF);
  case colors::ChangedTint:
    return binder::changedTint(w);
  default:
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
  }
}

// The key codes the entry rules speak: 8 Backspace, 13 Enter, else the character.
int keyCode(const QKeyEvent *e) {
  switch (e->key()) {
  case Qt::Key_Backspace: return 8;
  case Qt::Key_Return:
  case Qt::Key_Enter: return 13;
  default: break;
  }
  const QString t = e->text();
  return t.size() == 1 && t[0].unicode() >= 32 ? t[0].unicode() : -1;
}

// Text that arrives other than by typing (paste, the selection's middle
// click, a drop) is typed into the box one character at a time, so the key
// rules judge every character as they judge the operator's keys.
void typeThroughRules(QLineEdit *edit, const QString &text) {
  for (const QChar ch : text) {
    if (!ch.isPrint())
      continue;
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(edit, &key);
  }
}

// Cutting the selection is deleting it, as Backspace over it would.
void cutThroughRules(QLineEdit *edit) {
  if (!edit->hasSelectedText())
    return;
  QGuiApplication::clipboard()->setText(edit->selectedText());
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &key);
}

// The box's own context menu, its Paste and Cut going through the rules.
void contextMenu(QLineEdit *edit, const QPoint &at) {
  QMenu *menu = edit->createStandardContextMenu();
  // Qt names its entries with these very texts (and a shortcut after a tab).
  const QString pasteText = QLineEdit::tr("&Paste"), cutText = QLineEdit::tr("Cu&t");
  for (QAction *a : menu->actions()) {
    const QString name = a->text().section(u'\t', 0, 0);
    if (name != pasteText && name != cutText)
      continue;
    QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
    QObject::connect(a, &QAction::triggered, edit, [edit, paste = name == pasteText] {
      if (paste)
        typeThroughRules(edit, QGuiApplication::clipboard()->text());
      else
        cutThroughRules(edit);
    });
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(at);
}

// Forwards the operator's keys, leaving and double-clicks to the model.
class InputFilter : public QObject {
public:
  InputFilter(Control &c, QObject *parent) : QObject(parent), c_(c) {}

protected:
  bool eventFilter(QObject *, QEvent *e) override {
    auto *edit = qobject_cast<QLineEdit *>(parent());
    const bool writable = edit && !edit->isReadOnly();
    switch (e->type()) {
    case QEvent::KeyPress: {
      const auto *k = static_cast<QKeyEvent *>(e);
      if (writable && k->matches(QKeySequence::Paste)) {
        typeThroughRules(edit, QGuiApplication::clipboard()->text());
        return true;
      }
      if (writable && k->matches(QKeySequence::Cut)) {
        cutThroughRules(edit);
        return true;
      }
      const int code = keyCode(k);
      if (edit) {
        c_.selLength = int(edit->selectedText().size());
        c_.selStart = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
      }
      return code >= 0 && c_.keyPress(code) == 0; // refused keys never reach the box
    }
    case QEvent::ContextMenu:
      if (!writable)
        return false;
      contextMenu(edit, static_cast<QContextMenuEvent *>(e)->globalPos());
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      const auto *m = static_cast<QMouseEvent *>(e);
      if (!writable || m->button() != Qt::MiddleButton)
        return false;
      if (e->type() == QEvent::MouseButtonRelease &&
          QGuiApplication::clipboard()->supportsSelection()) {
        edit->setCursorPosition(edit->cursorPositionAt(m->position().toPoint()));
        typeThroughRules(edit, QGuiApplication::clipboard()->text(QClipboard::Selection));
      }
      return true;
    }
    case QEvent::Drop: {
      auto *d = static_cast<QDropEvent *>(e);
      if (!writable || !d->mimeData()->hasText())
        return false;
      edit->setCursorPosition(edit->cursorPositionAt(d->position().toPoint()));
      typeThroughRules(edit, d->mimeData()->text());
      d->acceptProposedAction();
      return true;
    }
    case QEvent::FocusOut: {
      // Another window or a menu taking the focus is no move to another
      // field: the leave rule waits until the operator really leaves.
      const Qt::FocusReason why = static_cast<QFocusEvent *>(e)->reason();
      if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason &&
          why != Qt::MenuBarFocusReason)
        c_.lostFocus();
      return false;
    }
    case QEvent::MouseButtonDblClick:
      c_.dblClick();
      return false;
    default:
      return false;
    }
  }

private:
  Control &c_;
};

void focusNext(QWidget *w) {
  for (QWidget *n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
    if (n->isVisible() && n->isEnabled() && (n->focusPolicy() & Qt::TabFocus)) {
      n->setFocus(Qt::TabFocusReason);
      return;
    }
}

void setBackground(QWidget *w, const Control &c) {
  QPalette p = w->palette();
  const QColor col = toQColor(c.backColor(), w);
  if (p.color(QPalette::Base) != col) {
    p.setColor(QPalette::Base, col);
    w->setPalette(p);
  }
}

// A window opens where its model puts it, in twips, or centred on its owner
// (the screen when it has none); always whole on one screen, at any scale.
void placeWindow(const Control &c, QWidget *w) {
  QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen)
    return;
  const QWidget *owner = w->parentWidget() ? w->parentWidget()->window() : nullptr;
  if (owner && !owner->isVisible())
    owner = nullptr;
  // A frame is not known before the first show: the owner's, else room for
  // a title bar.
  const int titleBar = owner ? owner->geometry().top() - owner->frameGeometry().top()
                             : w->style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const QSize room = screen->availableGeometry().size() - QSize(0, titleBar);
  if (c.width > 0 && c.height > 0)
    w->resize(QSize(binder::toPixels(c.width, w), binder::toPixels(c.height, w))
                  .expandedTo(w->sizeHint())
                  .boundedTo(room));
  else if (!w->testAttribute(Qt::WA_Resized))
    w->adjustSize();
  const QSize size = w->size().boundedTo(room) + QSize(0, titleBar);
  QRect wanted(QPoint(), size);
  if (c.left == 0 && c.top == 0) {
    wanted.moveCenter(owner ? owner->frameGeometry().center() : screen->availableGeometry().center());
  } else {
    QList<QRect> screens;
    for (const QScreen *s : QGuiApplication::screens())
      screens << s->availableGeometry();
    wanted.moveTopLeft(KeepOnScreen(TwipsToPixels(c.left, c.top, screen->logicalDotsPerInch()),
                                    size, screens));
  }
  const QScreen *on = QGuiApplication::screenAt(wanted.center());
  w->move(FitOnScreen(wanted, (on ? on : screen)->availableGeometry()).topLeft());
  if (c.maximized) {
    w->setWindowState(w->windowState() | Qt::WindowMaximized);
    return;
  }
  // Once shown, the frame is known: what still sticks out is taken in.
  QTimer::singleShot(0, w, [w] {
    if (!w->isVisible() || w->windowState() != Qt::WindowNoState || !w->screen())
      return;
    const QRect frame = w->frameGeometry();
    const QRect fitted = FitOnScreen(frame, w->screen()->availableGeometry());
    if (fitted == frame)
      return;
    w->resize(fitted.size() - (frame.size() - w->size()));
    w->move(fitted.topLeft());
  });
}

// Keeps a window's model where the operator put the window: its normal
// place and size in twips, and whether it is maximised.
class WindowTracker : public QObject {
public:
  WindowTracker(Control &c, QWidget *w) : QObject(w), c_(c), w_(w) {}

protected:
  bool eventFilter(QObject *, QEvent *e) override {
    switch (e->type()) {
    case QEvent::Move:
    case QEvent::Resize:
      if (w_->isVisible() && w_->windowState() == Qt::WindowNoState) {
        const qreal dpi = w_->screen() ? w_->screen()->logicalDotsPerInch() : 96.0;
        auto twips = [dpi](int px) { return int(std::lround(px * 1440.0 / dpi)); };
        const QPoint at = w_->frameGeometry().topLeft();
        // Plain fields: nothing to redraw.
        c_.left = twips(at.x());
        c_.top = twips(at.y());
        c_.width = twips(w_->width());
        c_.height = twips(w_->height());
      }
      break;
    case QEvent::WindowStateChange:
      c_.maximized = w_->isMaximized();
      break;
    default:
      break;
    }
    return false;
  }

private:
  Control &c_;
  QWidget *w_;
};

void draw(const Control &c, QWidget *w) {
  const QSignalBlocker block(w);
  w->setEnabled(c.isEnabled());
  if (!w->isWindow())
    w->setVisible(c.isVisible());
  w->setToolTip(c.toolTip);
  if (!c.accessibleName().isEmpty() && w->accessibleName() != c.accessibleName())
    w->setAccessibleName(c.accessibleName());
  if (auto *l = qobject_cast<QLabel *>(w)) {
    if (c.kind() != Control::Kind::Image)
      l->setText(c.text());
  } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
    if (e->text() != c.text())
      e->setText(c.text());
    setBackground(e, c);
  } else if (auto *b = qobject_cast<QComboBox *>(w)) {
    if (b->count() != c.items().size() ||
        [&] { for (int i = 0; i < b->count(); ++i) if (b->itemText(i) != c.items()[i]) return true; return false; }()) {
      b->clear();
      for (int i = 0; i < c.items().size(); ++i)
        b->addItem(c.items()[i], c.itemData(i));
    }
    b->setCurrentIndex(c.listIndex());
    // A value without an item is still shown, as text.
    if (b->lineEdit() && b->lineEdit()->text() != c.text())
      b->lineEdit()->setText(c.text());
    setBackground(b, c);
  } else if (auto *a = qobject_cast<QAbstractButton *>(w)) {
    a->setText(c.text());
    if (a->isCheckable())
      a->setChecked(c.isChecked());
    // An option or check box carries a colour only as a mark.
    const bool tinted = c.backColor() == colors::ChangedTint;
    if (a->autoFillBackground() != tinted) {
      QPalette pal = a->palette();
      pal.setColor(QPalette::Button, toQColor(colors::ChangedTint, a));
      pal.setColor(QPalette::Window, pal.color(QPalette::Button));
      a->setPalette(tinted ? pal : QApplication::palette(a));
      a->setAutoFillBackground(tinted);
    }
  } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
    g->setTitle(c.text());
  } else if (auto *t = qobject_cast<QTabWidget *>(w)) {
    for (int i = 0; i < t->count() && i < c.tabCount(); ++i) {
      t->setTabText(i, c.tabCaption(i));
      t->setTabEnabled(i, c.isTabEnabled(i));
    }
    t->setCurrentIndex(c.currentTab());
  } else if (auto *p = qobject_cast<QProgressBar *>(w)) {
    p->setRange(c.minimum(), c.maximum());
    p->setValue(c.value());
    if (c.inFront)
      p->raise();
  } else if (auto *s = qobject_cast<QStatusBar *>(w)) {
    const auto panels = s->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i < panels.size() && i < c.panelCount(); ++i)
      panels[i]->setText(c.panelText(i));
  } else if (w->isWindow()) {
    w->setWindowTitle(c.text() + QStringLiteral("[*]"));
    w->setWindowModified(c.isModified());
    if (c.isVisible() && !w->isVisible())
      placeWindow(c, w);
    w->setVisible(c.isVisible());
  }
}

} // namespace

namespace binder {

int toPixels(int twips, QWidget *onScreenOf) {
  const QScreen *s = onScreenOf && onScreenOf->screen() ? onScreenOf->screen() : nullptr;
  const qreal dpi = s ? s->logicalDotsPerInch() : 96.0;
  return qRound(twips * dpi / 1440.0);
}

void bind(Control &c, QWidget *w) {
  w->setObjectName(c.name());
  if (c.kind() == Control::Kind::Window)
    w->installEventFilter(new WindowTracker(c, w));
  draw(c, w);
  QObject::connect(&c, &Control::changed, w, [&c, w] { draw(c, w); });
  QObject::connect(&c, &Control::focusNextRequested, w, [w] { focusNext(w); });
  QObject::connect(&c, &Control::focusRequested, w, [w] { w->setFocus(Qt::OtherFocusReason); });

  if (auto *e = qobject_cast<QLineEdit *>(w)) {
    QObject::connect(e, &QLineEdit::textEdited, &c, [&c](const QString &t) { c.setText(t); });
    e->installEventFilter(new InputFilter(c, e));
  } else if (auto *b = qobject_cast<QComboBox *>(w)) {
    b->setEditable(true);
    b->lineEdit()->setReadOnly(true);
    QObject::connect(b, &QComboBox::activated, &c, [&c](int i) { c.setListIndex(i); });
    b->installEventFilter(new InputFilter(c, b));
  } else if (auto *r = qobject_cast<QRadioButton *>(w)) {
    r->setAutoExclusive(false); // the model keeps each group exclusive
    QObject::connect(r, &QRadioButton::clicked, &c, [&c, r] {
      if (c.isChecked())
        draw(c, r); // a second click must not clear it
      else
        c.setChecked(true);
    });
  } else if (auto *k = qobject_cast<QCheckBox *>(w)) {
    QObject::connect(k, &QCheckBox::clicked, &c, [&c](bool on) { c.setChecked(on); });
  } else if (auto *p = qobject_cast<QPushButton *>(w)) {
    QObject::connect(p, &QPushButton::clicked, &c, [&c] { c.click(); });
  } else if (auto *t = qobject_cast<QTabWidget *>(w)) {
    QObject::connect(t, &QTabWidget::currentChanged, &c, [&c](int i) { c.setCurrentTab(i); });
  } else if (c.kind() == Control::Kind::Image || c.kind() == Control::Kind::Label) {
    w->installEventFilter(new InputFilter(c, w));
  }
}

void bind(Control &c, QAction *a) {
  a->setObjectName(c.name());
  auto draw = [&c, a] {
    a->setText(c.text());
    a->setEnabled(c.isEnabled());
    a->setVisible(c.isVisible());
  };
  draw();
  QObject::connect(&c, &Control::changed, a, draw);
  QObject::connect(a, &QAction::triggered, &c, [&c] { c.click(); });
}

void bind(Control &c, QMenu *m) {
  m->setObjectName(c.name());
  auto draw = [&c, m] {
    m->setTitle(c.text());
    m->menuAction()->setEnabled(c.isEnabled());
    m->menuAction()->setVisible(c.isVisible());
  };
  draw();
  QObject::connect(&c, &Control::changed, m, draw);
}

} // namespace binder
