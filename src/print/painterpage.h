#pragma once
#include "page.h"

#include <QFont>
#include <QPainter>

class QPagedPaintDevice;

// A page drawn through QPainter on a printer or a PDF writer. A font the
// system lacks falls back to one with Japanese glyphs, so no text prints
// as empty boxes.
class PainterPage : public Page {
public:
  explicit PainterPage(QPagedPaintDevice *device);

  double width() const override;
  double height() const override;
  void setFont(const PageFont &font) override;
  double textHeight(const QString &text) override;
  double textWidth(const QString &text) override;
  void setDrawWidth(int tenths) override;
  void line(double x1, double y1, double x2, double y2) override;
  void text(double x, double y, const QString &text) override;
  void newPage() override;
  void end() override;

  // The font asked for by name, with the installed fonts that have
  // Japanese glyphs behind it.
  static QFont fontFor(const PageFont &font);

private:
  QPagedPaintDevice *device_;
  QPainter painter_;
  double unit_; // device units a millimetre
  int drawWidth_ = 1;
};
