#include "control.h"
#include "window.h"

Control::Control(Window *window, QString name, Kind kind, Control *container, QString caption,
                 QString tag, int page)
    : QObject(window), tag(std::move(tag)), name_(std::move(name)), kind_(kind), window_(window),
      container_(container), page_(page), text_(std::move(caption)) {
  if (container_)
    optionGroup = container_->name();
  if (kind_ == Kind::Tab)
    setTabCount(2);
  window_->registerControl(this);
}

bool Control::hasCaption() const {
  switch (kind_) {
  case Kind::Window: case Kind::Frame: case Kind::Label: case Kind::Button:
  case Kind::Option: case Kind::Check: case Kind::Menu: case Kind::MenuItem:
    return true;
  default:
    return false;
  }
}

void Control::setText(const QString &t) {
  if (kind_ == Kind::Combo) {
    // A list takes a text by selecting the item that carries it; a text
    // without an item is shown as it is, with nothing selected.
    const int i = int(items_.indexOf(t));
    if (i >= 0) {
      setListIndex(i);
      return;
    }
    listIndex_ = -1;
  }
  if (text_ == t)
    return;
  text_ = t;
  Q_EMIT changed();
  if (kind_ == Kind::Text || kind_ == Kind::Combo)
    run(change_);
}

void Control::setToolTipText(const QString &t) {
  if (toolTip == t)
    return;
  toolTip = t;
  Q_EMIT changed();
}

void Control::setAccessibleName(const QString &t) {
  if (accessibleName_ == t)
    return;
  accessibleName_ = t;
  Q_EMIT changed();
}

void Control::setEnabled(bool on) {
  if (enabled_ == on)
    return;
  enabled_ = on;
  Q_EMIT changed();
}

bool Control::isEffectivelyEnabled() const {
  for (const Control *c = this; c; c = c->container_) {
    if (!c->enabled_)
      return false;
    if (c->container_ && c->page_ >= 0 && !c->container_->isTabEnabled(c->page_))
      return false;
  }
  return true;
}

void Control::setVisible(bool on) {
  if (visible_ == on)
    return;
  visible_ = on;
  Q_EMIT changed();
}

void Control::setBackColor(quint32 c) {
  if (backColor_ == c)
    return;
  backColor_ = c;
  Q_EMIT changed();
}

void Control::addItem(const QString &text, int data) {
  items_ << text;
  itemData_ << data;
  Q_EMIT changed();
}

void Control::clearItems() {
  items_.clear();
  itemData_.clear();
  listIndex_ = -1;
  text_.clear();
  Q_EMIT changed();
}

void Control::setListIndex(int index) {
  if (index < -1 || index >= items_.size())
    index = -1;
  listIndex_ = index;
  text_ = index >= 0 ? items_.at(index) : QString();
  Q_EMIT changed();
  click();
}

void Control::setChecked(bool on) {
  if (kind_ == Kind::Option && on) {
    // Selecting an option clears the others of its group.
    for (Control *c : window_->controls())
      if (c != this && c->kind_ == Kind::Option && c->optionGroup == optionGroup && c->checked_) {
        c->checked_ = false;
        Q_EMIT c->changed();
      }
  }
  if (checked_ == on)
    return;
  checked_ = on;
  Q_EMIT changed();
  click();
}

void Control::setModified(bool on) {
  if (modified_ == on)
    return;
  modified_ = on;
  Q_EMIT changed();
}

void Control::onKeyPress(std::function<int(int key)> filter) {
  Q_ASSERT_X(!keyPress_, "Control::onKeyPress", "one key filter per control");
  keyPress_ = std::move(filter);
}

void Control::run(const Handlers &handlers) {
  // A copy: a handler may connect another.
  for (const auto &h : Handlers(handlers))
    h();
}

void Control::setTabCount(int n) {
  tabCaptions_.resize(n);
  tabEnabled_.resize(n, true);
  Q_EMIT changed();
}

void Control::setTabCaption(int page, const QString &t) {
  if (page < 0 || page >= tabCaptions_.size())
    return;
  tabCaptions_[page] = t;
  Q_EMIT changed();
}

void Control::setTabEnabled(int page, bool on) {
  if (page < 0 || page >= tabEnabled_.size() || tabEnabled_[page] == on)
    return;
  tabEnabled_[page] = on;
  Q_EMIT changed();
}

void Control::setCurrentTab(int page) {
  if (page < 0 || page >= tabCaptions_.size() || page == currentTab_)
    return;
  currentTab_ = page;
  Q_EMIT changed();
}

void Control::setMinimum(int v) { min_ = v; Q_EMIT changed(); }
void Control::setMaximum(int v) { max_ = v; Q_EMIT changed(); }
void Control::setValue(int v) { value_ = v; Q_EMIT changed(); }

void Control::setPanelCount(int n) {
  panels_.resize(n);
  Q_EMIT changed();
}

void Control::setPanelText(int panel, const QString &t) {
  if (panel < 0 || panel >= panels_.size())
    return;
  panels_[panel] = t;
  Q_EMIT changed();
}

void Control::setGeometry(int l, int t, int w, int h) {
  left = l; top = t; width = w; height = h;
  Q_EMIT changed();
}

void Control::bringToFront() {
  inFront = true;
  Q_EMIT changed();
}
