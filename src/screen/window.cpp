#include "window.h"

#include <QEventLoop>

Window::Window(const QString &name, const QString &caption, const QString &tag)
    : form(this, name, Control::Kind::Window, nullptr, caption, tag) {}

void Window::registerControl(Control *c) {
  if (c == &form)
    return;
  Q_ASSERT_X(!byName_.contains(c->name()), "Window", "control names must be unique");
  controls_ << c;
  byName_.insert(c->name(), c);
}

ControlArray::ControlArray(Window *window, const QString &name, Control::Kind kind,
                           std::initializer_list<Element> elements) {
  for (const Element &e : elements)
    elements_[e.index] = std::make_unique<Control>(
        window, QStringLiteral("%1(%2)").arg(name).arg(e.index), kind, e.container, e.caption,
        e.tag);
}

QList<int> ControlArray::indices() const {
  QList<int> out;
  for (const auto &[i, c] : elements_)
    out << i;
  return out;
}

void Window::showModal() {
  QEventLoop loop;
  const auto done = connect(&form, &Control::changed, &loop, [this, &loop] {
    if (!form.isVisible())
      loop.quit();
  });
  form.setVisible(true);
  if (form.isVisible())
    loop.exec();
  disconnect(done);
}

void Window::requestClose() {
  if (onCloseRequest)
    onCloseRequest();
  else
    form.setVisible(false);
}
