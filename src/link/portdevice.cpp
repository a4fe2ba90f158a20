#include "portdevice.h"

QString PortDevice::printable(const QByteArray &bytes) {
  QString text = QString::fromUtf8(bytes);
  for (QChar &c : text)
    if (!c.isPrint())
      c = u' ';
  return text.simplified().left(200);
}
