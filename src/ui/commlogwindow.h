#pragma once
#include <QTimer>
#include <QWidget>

class CommLog;
class Dialogs;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct Module1;

// The communication log's window: not modal, recording while it is open.
class CommLogWindow : public QWidget {
  Q_OBJECT
public:
  CommLogWindow(CommLog &log, const Module1 &m, Dialogs &dialogs, QWidget *owner);

  QPlainTextEdit *view() const { return view_; }
  // The text as the window holds it (what Save writes: the log's lines).
  QString text() const;

protected:
  void showEvent(QShowEvent *e) override;
  void hideEvent(QHideEvent *e) override;

private:
  void refill();
  void showCounts();

  CommLog &log_;
  const Module1 &m_;
  Dialogs &dialogs_;
  QPlainTextEdit *view_;
  QLabel *counts_;
  QCheckBox *hidePolling_;
  QTimer countsDue_;
};
