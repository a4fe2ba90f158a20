#pragma once
#include "page.h"

#include <QPrinter>

class QWidget;

// The operator's printer: the platform's print dialog (print to file, and
// so PDF, kept available), or a preview from which the operator prints.
class QtPrintTarget : public PrintTarget {
public:
  explicit QtPrintTarget(QWidget *owner) : owner_(owner), printer_(QPrinter::HighResolution) {}
  bool choose(bool preview) override;
  void print(const std::function<void(Page &)> &draw, bool preview) override;

private:
  QWidget *owner_;
  QPrinter printer_;
};
