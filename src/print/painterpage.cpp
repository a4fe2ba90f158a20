#include "painterpage.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>

PainterPage::PainterPage(QPagedPaintDevice *device)
    : device_(device), unit_(device->logicalDpiX() / 25.4) {
  painter_.begin(device_);
}

double PainterPage::width() const { return device_->width() / unit_; }
double PainterPage::height() const { return device_->height() / unit_; }

QFont PainterPage::fontFor(const PageFont &font) {
  QFont f;
  // Message 24 names fonts of another platform. Behind it: a Latin face of
  // the same style (whose glyphs a PDF's text keeps exactly), then a face
  // with Japanese glyphs; fontconfig finds any other.
  const bool serif = font.name.contains(u"明朝") || font.name.contains(u"Mincho", Qt::CaseInsensitive);
  f.setFamilies({font.name, serif ? QStringLiteral("DejaVu Serif") : QStringLiteral("DejaVu Sans"),
                 serif ? QStringLiteral("Noto Serif CJK JP") : QStringLiteral("Noto Sans CJK JP"),
                 QStringLiteral("Noto Sans CJK JP")});
  f.setPointSizeF(font.size);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  return f;
}

void PainterPage::setFont(const PageFont &font) { painter_.setFont(fontFor(font)); }

double PainterPage::textHeight(const QString &) {
  return QFontMetricsF(painter_.font(), device_).height() / unit_;
}

double PainterPage::textWidth(const QString &text) {
  return QFontMetricsF(painter_.font(), device_).horizontalAdvance(text) / unit_;
}

void PainterPage::setDrawWidth(int tenths) { drawWidth_ = tenths; }

void PainterPage::line(double x1, double y1, double x2, double y2) {
  painter_.setPen(QPen(Qt::black, drawWidth_ * 0.1 * unit_));
  painter_.drawLine(QPointF(x1 * unit_, y1 * unit_), QPointF(x2 * unit_, y2 * unit_));
}

void PainterPage::text(double x, double y, const QString &text) {
  painter_.setPen(Qt::black);
  const QFontMetricsF m(painter_.font(), device_);
  painter_.drawText(QPointF(x * unit_, y * unit_ + m.ascent()), text);
}

void PainterPage::newPage() { device_->newPage(); }

void PainterPage::end() {
  if (painter_.isActive())
    painter_.end();
}
