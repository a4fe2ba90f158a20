#pragma once
#include <QPixmap>
#include <QColor>
#include <QLabel>

class Control;
class QGridLayout;
class QWidget;

// A round lamp: the images of the windows (alarm lamps and I/O lamps).
class Lamp : public QLabel {
public:
  explicit Lamp(QColor colour, QWidget *parent = nullptr);
  QSize sizeHint() const override { return {18, 18}; }

protected:
  void paintEvent(QPaintEvent *) override;
  // A lit lamp lies over its white one, which holds the focus: both redraw.
  void focusInEvent(QFocusEvent *) override;
  void focusOutEvent(QFocusEvent *) override;

private:
  QColor colour_;
};

// Builds the widget that shows a control and binds the two.
QWidget *make(Control &control, QWidget *parent = nullptr);
// The same for a lamp of a given colour.
QWidget *makeLamp(Control &control, QColor colour, QWidget *parent = nullptr);
// One row of a form: caption, field and an optional unit or hint.
void addRow(QGridLayout *grid, int row, Control &caption, Control &field, Control *unit = nullptr);

// A menu item's caption as its window's title: without the mnemonic
// ("(&L)" or "&") and the ellipsis.
QString windowTitleOf(const QString &menuCaption);

// The program's icon, drawn at `size` pixels.
QPixmap programIcon(int size);
