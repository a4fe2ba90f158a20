#pragma once
#include "messagetable.h"

#include <QList>
#include <QString>

// What an operator command achieved, for the front ends to read (kov-t6-cli's
// text, JSON and record line, a batch's step) instead of the window's text.
struct Outcome {
  enum class Result { Done, Differences, Failed, Cancelled };
  struct Value {
    QString key;   // the English name, which does not follow the language
    QString label; // as the operator reads it
    QString text;
  };
  struct Difference {
    QString group, name;
    QString a, b; // a verification: the file's, the controller's
  };

  Result result = Result::Failed;
  bool differs = false;  // the command's 1 means differences found, not a failure
  QList<int> messages; // every message of the table told, in order, a repeat once
  Told told;           // the last outcome told: the last box that asked nothing, else the last status line
  bool declined = false; // a question was answered No or Cancel
  QString controllerVersion;
  QList<Value> values;
  QList<Difference> differences;

  void note(const QList<int> &numbers) {
    for (const int n : numbers)
      if (messages.isEmpty() || messages.last() != n)
        messages << n;
  }

  // The end of a command that returned `code` (0 done): a failure after a
  // question declined is a cancel.
  void end(int code) {
    result = code == 0 ? Result::Done
             : differs ? Result::Differences
             : declined ? Result::Cancelled
                        : Result::Failed;
    differs = false;
  }
};

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
  Answer message(const Told &text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                 const QString &details = {});
  // A line for the operator that needs no box, such as why a command was
  // refused: the status bar until the next command in the GUI, standard
  // error in the command-line tool.
  void status(const Told &text);
  // What a command achieved, until the next command starts: the status bar
  // in the GUI. The command-line tool reports results its own way.
  void done(const Told &text);
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

  // What the command running, or the last, has told and achieved.
  Outcome outcome;
  // A front end that runs commands one after another starts each afresh.
  void startOutcome() {
    outcome = {};
    toldInABox_ = false;
  }

protected:
  virtual Answer showMessage(const Told &text, Buttons buttons, Icon icon, const QString &details) = 0;
  virtual void showStatus(const Told &text) = 0;
  virtual void showDone(const Told &text) = 0;

private:
  bool toldInABox_ = false;
};

inline Dialogs::Answer Dialogs::message(const Told &text, Buttons buttons, Icon icon, const QString &details) {
  outcome.note(text.numbers);
  const Answer answer = showMessage(text, buttons, icon, details);
  if (buttons == Buttons::Ok) { // a question tells no outcome
    outcome.told = text;
    toldInABox_ = true;
  } else if (answer == Answer::Cancel || (answer == Answer::No && buttons == Buttons::YesNo)) {
    outcome.declined = true;
  }
  return answer;
}

inline void Dialogs::status(const Told &text) {
  outcome.note(text.numbers);
  if (!toldInABox_ && !text.text.isEmpty())
    outcome.told = text;
  showStatus(text);
}

inline void Dialogs::done(const Told &text) {
  outcome.note(text.numbers);
  showDone(text);
}
