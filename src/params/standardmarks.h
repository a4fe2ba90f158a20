#pragma once
#include <QHash>
#include <QObject>
#include <QSet>

class Control;
class Dialogs;
class FrmMain;
class ParameterPage;
struct Module1;

// While "Mark changes from standard" is ticked, every box of the parameter
// page whose value, as it would be written, differs from the standard set
// of the page's size (with an encoder when FUNCTION says so) is tinted and
// names the standard value in its tooltip; the status line counts them.
class StandardMarks : public QObject {
  Q_OBJECT
public:
  StandardMarks(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page);

  void refresh();
  // The parameters marked (a pair of options counts once).
  int count() const { return count_; }
  bool isMarked(const Control &box) const { return marked_.contains(const_cast<Control *>(&box)); }

private:
  void mark(Control &box, const QString &standard);
  void unmark(Control &box);
  void clear();

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  ParameterPage &page_;
  QSet<Control *> marked_;
  QHash<Control *, QString> tips_; // the tooltip each box had before its mark
  int count_ = 0;
};
