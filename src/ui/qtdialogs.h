#pragma once
#include "dialogs.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

#include <functional>

class QWidget;

namespace qtdialogs {
// "Text(*.x)|*.x|All(*.*)|*.*" as Qt's name filters; a description that
// already shows its pattern is not given it twice.
QStringList qtFilters(const QString &filter);
// The folder last used for the kind, else the program's folder when a save
// can go there (not /usr/bin of the package), else the user's documents.
QString startFolder(const SettingsStore &store, const QString &extension,
                    const QString &programFolder = QCoreApplication::applicationDirPath());
void rememberFolder(SettingsStore &store, const QString &extension, const QString &chosen);
} // namespace qtdialogs

// Message boxes and the hourglass of the GUI. Once the program is ending,
// commands still unwinding show nothing more.
class QtDialogs : public Dialogs {
public:
  explicit QtDialogs(std::function<bool()> closing) : closing_(std::move(closing)) {}
  void setOwner(QWidget *owner) { owner_ = owner; }

  void setBusy(bool busy) override;
  QString saveFileName(const FileDialog &d) override;
  QString openFileName(const FileDialog &d) override;
  void useLanguege(qint16 languege) override;

protected:
  Answer showMessage(const Told &text, Buttons buttons, Icon icon, const QString &details) override;
  void showStatus(const Told &text) override;
  void showDone(const Told &text) override;

private:
  QString chooseFile(const FileDialog &d, bool save);

  std::function<bool()> closing_;
  QWidget *owner_ = nullptr;
  int busy_ = 0;
  SettingsStore store_;
  QTranslator qtTexts_;
};
