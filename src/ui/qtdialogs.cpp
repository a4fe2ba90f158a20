#include "qtdialogs.h"

#include <QApplication>
#include <QMessageBox>

Dialogs::Answer QtDialogs::message(const QString &text, Buttons buttons, Icon icon) {
  const bool question = buttons != Buttons::Ok;
  if (closing_ && closing_())
    return question ? (buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No) : Answer::Ok;

  QMessageBox box(owner_);
  box.setWindowTitle(QStringLiteral("KOV-T6"));
  box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  switch (icon) {
  case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
  case Icon::Information: box.setIcon(QMessageBox::Information); break;
  case Icon::Question: box.setIcon(QMessageBox::Question); break;
  case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
  }
  switch (buttons) {
  case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
  case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
  case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
  case Buttons::YesNoCancel:
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    break;
  }
  // The hourglass must not stand over a box that waits for the operator.
  const bool wasBusy = busy_ > 0;
  if (wasBusy)
    QApplication::restoreOverrideCursor();
  const int answer = box.exec();
  if (wasBusy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  switch (answer) {
  case QMessageBox::Yes: return Answer::Yes;
  case QMessageBox::No: return Answer::No;
  case QMessageBox::Cancel: return Answer::Cancel;
  default: return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::No;
  }
}

void QtDialogs::setBusy(bool busy) {
  if (busy) {
    if (busy_++ == 0)
      QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0 && --busy_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}
