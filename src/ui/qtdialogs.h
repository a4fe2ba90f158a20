#pragma once
#include "dialogs.h"

#include <functional>

class QWidget;

// Message boxes and the hourglass of the GUI. Once the program is ending,
// commands still unwinding show nothing more.
class QtDialogs : public Dialogs {
public:
  explicit QtDialogs(std::function<bool()> closing) : closing_(std::move(closing)) {}
  void setOwner(QWidget *owner) { owner_ = owner; }

  Answer message(const QString &text, Buttons buttons, Icon icon,
                 const QString &details) override;
  void status(const QString &text) override;
  void setBusy(bool busy) override;
  QString saveFileName(const FileDialog &d) override;
  QString openFileName(const FileDialog &d) override;

private:
  QString chooseFile(const FileDialog &d, bool save);

  std::function<bool()> closing_;
  QWidget *owner_ = nullptr;
  int busy_ = 0;
};
