#pragma once
#include <QString>

// Every message box and question goes through here: Qt boxes in the GUI, a
// console in the command-line tool, a scripted fake in tests.
class Dialogs {
public:
  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel,
                       SaveDiscardCancel }; // answered Yes, No, Cancel
  enum class Icon { None, Information, Question, Exclamation };
  enum class Answer { Ok, Cancel, Yes, No };

  virtual ~Dialogs() = default;
  // A modal box titled with the program's title; `details`, when given, can
  // be unfolded below the text.
  virtual Answer message(const QString &text, Buttons buttons = Buttons::Ok,
                         Icon icon = Icon::None, const QString &details = {}) = 0;
  // A line for the operator that needs no box, such as why a command was
  // refused: the status bar until the next command in the GUI, standard
  // error in the command-line tool.
  virtual void status(const QString &text) = 0;
  // What a command achieved, until the next command starts: the status bar
  // in the GUI. The command-line tool reports results its own way.
  virtual void done(const QString &text) = 0;
  // Hourglass pointer during transfers, file writes and printing.
  virtual void setBusy(bool busy) = 0;

  // A file dialog: the filter in the form "Text(*.x)|*.x|All(*.*)|*.*".
  struct FileDialog {
    QString title;
    QString filter;
    QString defaultName;
    QString defaultExtension;
  };
  // The chosen path, or an empty text when the operator cancelled. The save
  // dialog confirms before an existing file is replaced; the open dialog
  // accepts existing files only.
  virtual QString saveFileName(const FileDialog &d) = 0;
  virtual QString openFileName(const FileDialog &d) = 0;
  // The language of the run is known (1 Japanese, 2 English): the boxes'
  // own buttons and the toolkit's dialogs speak it from now on.
  virtual void useLanguege(qint16) {}
};
