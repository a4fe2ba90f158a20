#pragma once
#include <QString>

// The operator's manual: an HTML file of our own per language, beside the
// program (in its "manual" folder).
namespace help {

// The folder, a separator unless it ends in one, then the file name.
QString SetHelpPath(const QString &folder, const QString &fileName);
// The manual's file name for a language (1 Japanese, else English).
QString ManualName(qint16 languege);

} // namespace help
