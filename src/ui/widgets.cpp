#include "widgets.h"
#include "binder.h"
#include "control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>

Lamp::Lamp(QColor colour, QWidget *parent) : QLabel(parent), colour_(colour) {
  setFixedSize(sizeHint());
}

void Lamp::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  QRadialGradient g(QPointF(width() * 0.35, height() * 0.35), width() * 0.7);
  g.setColorAt(0, colour_.lighter(160));
  g.setColorAt(1, colour_);
  p.setBrush(g);
  p.drawEllipse(QRectF(1.5, 1.5, width() - 3, height() - 3));
  // hasFocus() is also true when the white lamp this one proxies has it.
  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1, 1, width() - 2, height() - 2));
  }
}

void Lamp::focusInEvent(QFocusEvent *) {
  if (parentWidget())
    parentWidget()->update(geometry());
}

void Lamp::focusOutEvent(QFocusEvent *) {
  if (parentWidget())
    parentWidget()->update(geometry());
}

QPixmap programIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1F, 0x3A, 0x5F));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  // An indexing table: a disc with its stations, one of them lit.
  p.setBrush(QColor(0xE8, 0xEC, 0xF2));
  p.drawEllipse(QPointF(32, 32), 22, 22);
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(32, 32);
    p.rotate(45.0 * i);
    p.setBrush(i == 0 ? QColor(0xF0, 0x90, 0x20) : QColor(0x1F, 0x3A, 0x5F));
    p.drawEllipse(QPointF(0, -15), 4, 4);
    p.restore();
  }
  p.setBrush(QColor(0x1F, 0x3A, 0x5F));
  p.drawEllipse(QPointF(32, 32), 6, 6);
  return pixmap;
}

QWidget *make(Control &c, QWidget *parent) {
  QWidget *w = nullptr;
  switch (c.kind()) {
  case Control::Kind::Label: w = new QLabel(parent); break;
  case Control::Kind::Button: w = new QPushButton(parent); break;
  case Control::Kind::Text: w = new QLineEdit(parent); break;
  case Control::Kind::Combo: w = new QComboBox(parent); break;
  case Control::Kind::Option: w = new QRadioButton(parent); break;
  case Control::Kind::Check: w = new QCheckBox(parent); break;
  case Control::Kind::Frame: w = new QGroupBox(parent); break;
  case Control::Kind::Progress: w = new QProgressBar(parent); break;
  case Control::Kind::Image: w = new Lamp(Qt::white, parent); break;
  default: w = new QWidget(parent); break;
  }
  binder::bind(c, w);
  return w;
}

QWidget *makeLamp(Control &c, QColor colour, QWidget *parent) {
  auto *w = new Lamp(colour, parent);
  binder::bind(c, w);
  return w;
}

void addRow(QGridLayout *grid, int row, Control &caption, Control &field, Control *unit) {
  QWidget *parent = grid->parentWidget();
  QWidget *label = make(caption, parent);
  grid->addWidget(label, row, 0);
  QWidget *w = make(field, parent);
  // Read out with the box by screen readers.
  if (auto *l = qobject_cast<QLabel *>(label))
    l->setBuddy(w);
  // Boxes as wide as their longest entry, lists as their longest item.
  w->setMaximumWidth(field.kind() == Control::Kind::Text ? 110 : 190);
  grid->addWidget(w, row, 1);
  if (unit)
    grid->addWidget(make(*unit, parent), row, 2);
  grid->setColumnStretch(3, 1);
}

QString windowTitleOf(const QString &menuCaption) {
  static const QRegularExpression marks(QStringLiteral("\\(&.\\)|&|…|\\.\\.\\.$"));
  return QString(menuCaption).remove(marks).trimmed();
}
