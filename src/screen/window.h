#pragma once
#include "control.h"

#include <QHash>
#include <map>
#include <memory>

// A window as a plain object: its own caption and Tag (`form`) and its
// controls, named like the controls, in the order they were declared.
class Window : public QObject {
  Q_OBJECT
public:
  explicit Window(const QString &name, const QString &caption = {}, const QString &tag = {});

  Control form;

  const QString &name() const { return form.name(); }
  const QList<Control *> &controls() const { return controls_; }
  Control *find(const QString &name) const { return byName_.value(name); }

  // Called by every control of this window as it is built.
  void registerControl(Control *c);

  // Shows the window and sleeps in an event loop until it is hidden again:
  // a modal dialog, without any widget.
  void showModal();
  // The operator closes the window by its close box or Escape; by default it
  // hides, a dialog may answer otherwise (as a Cancel).
  std::function<void()> onCloseRequest;
  void requestClose();

private:
  QList<Control *> controls_;
  QHash<QString, Control *> byName_;
};

// A control array: elements named "name(index)", indices as designed.
class ControlArray {
public:
  struct Element {
    int index;
    Control *container;
    QString caption;
    QString tag;
  };
  ControlArray(Window *window, const QString &name, Control::Kind kind,
               std::initializer_list<Element> elements);

  Control &operator()(int index) { return *elements_.at(index); }
  const Control &operator()(int index) const { return *elements_.at(index); }
  QList<int> indices() const;

private:
  std::map<int, std::unique_ptr<Control>> elements_;
};
