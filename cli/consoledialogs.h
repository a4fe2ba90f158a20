#pragma once
#include "dialogs.h"

#include <QHash>
#include <QStringList>

// Message boxes on a console: every text to standard error, one line per
// line of the box. Questions: --yes answers Yes/OK; otherwise an operator at
// a terminal is asked; without a terminal the answer is No/Cancel, so that
// nothing changes. File dialogs answer with the paths the command gave.
class ConsoleDialogs : public Dialogs {
public:
  bool yes = false;
  QStringList files; // answers to the next file dialogs, in order
  // Status lines that name a button, told as the terminal does it instead.
  QHash<QString, QString> reworded;

  void setBusy(bool) override {}
  QString saveFileName(const FileDialog &) override { return nextFile(); }
  QString openFileName(const FileDialog &) override { return nextFile(); }

protected:
  Answer showMessage(const Told &text, Buttons buttons, Icon icon, const QString &details) override;
  void showStatus(const Told &text) override;
  // Each command prints its own result.
  void showDone(const Told &) override {}

private:
  QString nextFile() { return files.isEmpty() ? QString() : files.takeFirst(); }
};
