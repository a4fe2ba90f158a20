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
  grid->addWidget(make(caption, parent), row, 0);
  QWidget *w = make(field, parent);
  // Boxes as wide as their longest entry, lists as their longest item.
  w->setMaximumWidth(field.kind() == Control::Kind::Text ? 110 : 190);
  grid->addWidget(w, row, 1);
  if (unit)
    grid->addWidget(make(*unit, parent), row, 2);
  grid->setColumnStretch(3, 1);
}
