#pragma once
#include "dialogs.h"

#include <QList>
#include <QStringList>

// Answers questions from a queue (then "No"/"Cancel") and keeps every
// message shown, with CR LF as in the boxes.
class FakeDialogs : public Dialogs {
public:
  QStringList shown;
  QStringList details; // one per message, empty when it had none
  QList<Answer> answers;
  int busyDepth = 0;

  Answer showMessage(const Told &text, Buttons buttons, Icon, const QString &moreText) override {
    shown << text.text;
    details << moreText;
    if (buttons == Buttons::Ok)
      return Answer::Ok;
    if (!answers.isEmpty())
      return answers.takeFirst();
    return buttons == Buttons::OkCancel || buttons == Buttons::SaveDiscardCancel ? Answer::Cancel
                                                                                  : Answer::No;
  }
  QStringList statuses;
  void showStatus(const Told &text) override { statuses << text.text; }
  QStringList achieved;
  void showDone(const Told &text) override { achieved << text.text; }
  void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

  // File dialogs answer from a queue of paths (then cancel) and are logged.
  QStringList files;
  QList<FileDialog> fileDialogs;
  QString saveFileName(const FileDialog &d) override { return chooseFile(d); }
  QString openFileName(const FileDialog &d) override { return chooseFile(d); }
  QString chooseFile(const FileDialog &d) {
    fileDialogs << d;
    return files.isEmpty() ? QString() : files.takeFirst();
  }
  QString last() const { return shown.value(shown.size() - 1); }
};
