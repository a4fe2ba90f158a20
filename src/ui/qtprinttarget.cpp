#include "qtprinttarget.h"
#include "painterpage.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>

bool QtPrintTarget::choose(bool preview) {
  if (preview)
    return true; // the preview offers its own print
  QPrintDialog dialog(&printer_, owner_);
  // The printer's own copies, no selection range; printing to a file stays.
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  return dialog.exec() == QDialog::Accepted;
}

void QtPrintTarget::print(const std::function<void(Page &)> &draw, bool preview) {
  auto paint = [&draw](QPrinter *printer) {
    PainterPage page(printer);
    draw(page);
    page.end();
  };
  if (!preview) {
    paint(&printer_);
    return;
  }
  QPrintPreviewDialog dialog(&printer_, owner_);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
  dialog.exec();
}
