#pragma once
#include "page.h"

#include <QString>

// Reports written as a PDF on A4, without a display or a print dialog.
class PdfTarget : public PrintTarget {
public:
  explicit PdfTarget(QString path) : path_(std::move(path)) {}
  bool choose(bool) override { return true; }
  void print(const std::function<void(Page &)> &draw, bool) override;
  // Why the last PDF could not be written; empty when it was.
  QString failure;

private:
  QString path_;
};
