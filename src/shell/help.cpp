#include "help.h"

namespace help {

QString SetHelpPath(const QString &folder, const QString &fileName) {
  return folder.endsWith(u'/') ? folder + fileName : folder + u'/' + fileName;
}

QString ManualName(qint16 languege) {
  return languege == 1 ? QStringLiteral("manual/kov-t6-ja.html") : QStringLiteral("manual/kov-t6-en.html");
}

} // namespace help
