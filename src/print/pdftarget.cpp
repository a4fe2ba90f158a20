#include "pdftarget.h"
#include "painterpage.h"

#include "wholefile.h"

#include <QBuffer>
#include <QPdfWriter>

void PdfTarget::print(const std::function<void(Page &)> &draw, bool) {
  failure.clear();
  // Drawn into memory first: a failed save leaves an old file as it was.
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    pdf.setResolution(600);
    pdf.setCreator(QStringLiteral("KOV-T6"));
    PainterPage page(&pdf);
    draw(page);
    page.end();
  }
  wholefile::Save(path_, bytes, &failure);
}
