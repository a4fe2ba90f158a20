#pragma once
#include <QString>
#include <functional>

// A printed page in millimetres, as the reports draw on it: text placed by
// its top left corner, rules, fonts by name and size. A printer, a PDF and
// the tests' recording page stand behind it.
struct PageFont {
  QString name;
  double size = 11; // points
  bool bold = false;
  bool italic = false;
};

class Page {
public:
  virtual ~Page() = default;
  // The printable area.
  virtual double width() const = 0;
  virtual double height() const = 0;
  virtual void setFont(const PageFont &font) = 0;
  virtual double textHeight(const QString &text) = 0;
  virtual double textWidth(const QString &text) = 0;
  // The width of rules, in tenths of a millimetre.
  virtual void setDrawWidth(int tenths) = 0;
  virtual void line(double x1, double y1, double x2, double y2) = 0;
  virtual void text(double x, double y, const QString &text) = 0;
  virtual void newPage() = 0;
  virtual void end() = 0;
};

// Where a report goes: the operator's printer (after the print dialog), a
// preview, a PDF. `choose` is the print dialog (false: cancelled, nothing
// printed); `print` runs the drawing on the pages.
class PrintTarget {
public:
  virtual ~PrintTarget() = default;
  virtual bool choose(bool preview) = 0;
  virtual void print(const std::function<void(Page &)> &draw, bool preview) = 0;
};
