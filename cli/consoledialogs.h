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

  // The last outcome shown: the last box that asked nothing, else the last
  // status line.
  QString lastShown;
  bool lastWasBox = false;

  Answer message(const QString &text, Buttons buttons, Icon icon,
                 const QString &details) override;
  void status(const QString &text) override;
  // Each command prints its own result.
  void done(const QString &) override {}
  void setBusy(bool) override {}
  QString saveFileName(const FileDialog &) override { return nextFile(); }
  QString openFileName(const FileDialog &) override { return nextFile(); }

private:
  QString nextFile() { return files.isEmpty() ? QString() : files.takeFirst(); }
};
