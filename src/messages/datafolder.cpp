#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString DataFolder() {
  const QString own = QCoreApplication::applicationDirPath();
  if (QFileInfo::exists(own + QStringLiteral("/erroreng.lst")))
    return own;
  const QString installed = QDir(own + QStringLiteral("/../share/kov-t6")).absolutePath();
  return QFileInfo(installed).isDir() ? installed : own;
}
