#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class Window;

// Colours as the windows store them: 0x00BBGGRR, or 0x80000000 | n for
// system colour n, so that "system colour" survives until the toolkit draws it.
namespace colors {
constexpr quint32 WindowBackground = 0x80000005;    // system colour 5
constexpr quint32 InactiveCaptionText = 0x80000013; // system colour 19, a grey
constexpr quint32 LightGrey = 0x00E0E0E0;
// A value changed from its standard: a tint the toolkit mixes into the
// palette's base, so it reads in light and dark palettes alike.
constexpr quint32 ChangedTint = 0x80000100;
} // namespace colors

// One control of a window: what the operator sees and what code sets. Setting
// a text from code runs its change handler and setting a list index or a check
// runs its click handler, exactly as when the operator does it.
class Control : public QObject {
  Q_OBJECT
public:
  enum class Kind {
    Window, Frame, Tab, Panel, Label, Button, Text, Combo, Option, Check,
    Image, Progress, StatusBar, Menu, MenuItem, Separator
  };

  // `page` places the control on that page of a tab-control container.
  Control(Window *window, QString name, Kind kind, Control *container,
          QString caption = {}, QString tag = {}, int page = -1);

  const QString &name() const { return name_; }
  Kind kind() const { return kind_; }
  Window *window() const { return window_; }
  Control *container() const { return container_; }
  int page() const { return page_; }
  bool hasCaption() const;

  // Design-time bindings to the message table.
  QString tag;
  QString toolTip;
  // Options that exclude one another; defaults to the container's name.
  QString optionGroup;

  // Text: caption of a label, button, frame, option, check box, menu entry or
  // window; contents of a text box or a list.
  const QString &text() const { return text_; }
  void setText(const QString &t);
  void setToolTipText(const QString &t);
  // What a screen reader reads for a control without a caption of its own.
  QString accessibleName() const { return accessibleName_; }
  void setAccessibleName(const QString &t);

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on);
  // Enabled and every container (and tab page) enabled: what the operator can use.
  bool isEffectivelyEnabled() const;

  bool isVisible() const { return visible_; }
  void setVisible(bool on);

  quint32 backColor() const { return backColor_; }
  void setBackColor(quint32 c);

  // Lists: items with item data, and the selected position (-1: none).
  const QStringList &items() const { return items_; }
  int itemData(int index) const { return itemData_.value(index, 0); }
  void addItem(const QString &text, int data);
  void clearItems();
  int listIndex() const { return listIndex_; }
  void setListIndex(int index);

  // Option buttons and check boxes.
  bool isChecked() const { return checked_; }
  void setChecked(bool on);

  // Tab controls: one caption and one enabled flag per page.
  void setTabCount(int n);
  int tabCount() const { return int(tabCaptions_.size()); }
  QString tabCaption(int page) const { return tabCaptions_.value(page); }
  void setTabCaption(int page, const QString &t);
  bool isTabEnabled(int page) const { return tabEnabled_.value(page, true); }
  void setTabEnabled(int page, bool on);
  int currentTab() const { return currentTab_; }
  void setCurrentTab(int page);

  // Progress bars.
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int value() const { return value_; }
  void setMinimum(int v);
  void setMaximum(int v);
  void setValue(int v);

  // Status bar panels.
  void setPanelCount(int n);
  int panelCount() const { return int(panels_.size()); }
  QString panelText(int panel) const { return panels_.value(panel); }
  void setPanelText(int panel, const QString &t);

  // Placement in twips, where logic needs it (windows, progress over the status bar).
  int left = 0, top = 0, width = 0, height = 0;
  void setGeometry(int l, int t, int w, int h);
  // Windows: shown maximised (the toolkit keeps it in step with the operator).
  bool maximized = false;
  // Windows: the document shown holds unsaved edits (marked in the title).
  bool isModified() const { return modified_; }
  void setModified(bool on);
  bool inFront = false;
  void bringToFront();

  // Handlers of the window's logic, connected by the command objects; each
  // runs, in the order connected. The binder calls the operator-side entries.
  void onChange(std::function<void()> handler) { change_ << std::move(handler); }
  void onClick(std::function<void()> handler) { click_ << std::move(handler); }
  void onDblClick(std::function<void()> handler) { dblClick_ << std::move(handler); }
  void onLostFocus(std::function<void()> handler) { lostFocus_ << std::move(handler); }
  // The key filter: it returns the key to pass on, 0 refuses it. One only,
  // since only one can decide.
  void onKeyPress(std::function<int(int key)> filter);
  // Drops the click handlers, openly: a test that watches which command the
  // keys reach without running it.
  void disconnectClick() { click_.clear(); }

  // Length and start of the selected text when a key arrives (kept by the
  // widget); with nothing selected, the start is the caret.
  int selLength = 0;
  int selStart = 0;

  // Operator actions, forwarded by the widgets.
  int keyPress(int key) { return keyPress_ ? keyPress_(key) : key; }
  void click() { run(click_); }
  void dblClick() { run(dblClick_); }
  void lostFocus() { run(lostFocus_); }

Q_SIGNALS:
  void changed();
  // Enter in a box hands the focus to the next control in tab order.
  void focusNextRequested();
  void focusRequested();

public:
  void requestFocusNext() { Q_EMIT focusNextRequested(); }
  void setFocus() { Q_EMIT focusRequested(); }

private:
  using Handlers = QList<std::function<void()>>;
  static void run(const Handlers &handlers);

  Handlers change_, click_, dblClick_, lostFocus_;
  std::function<int(int)> keyPress_;
  QString accessibleName_;
  QString name_;
  Kind kind_;
  Window *window_;
  Control *container_;
  int page_;
  QString text_;
  bool enabled_ = true;
  bool visible_ = true;
  quint32 backColor_ = colors::WindowBackground;
  QStringList items_;
  QList<int> itemData_;
  int listIndex_ = -1;
  bool checked_ = false;
  bool modified_ = false;
  QStringList tabCaptions_;
  QList<bool> tabEnabled_;
  int currentTab_ = 0;
  int min_ = 0, max_ = 100, value_ = 0;
  QStringList panels_;

};
