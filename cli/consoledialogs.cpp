#include "consoledialogs.h"
#include "console.h"

#include <QTextStream>
#include <cstdio>

namespace {
void printLines(const QString &text) {
  QTextStream err(stderr);
  for (const QString &line : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n'))
    err << line << '\n';
}
} // namespace

Dialogs::Answer ConsoleDialogs::showMessage(const Told &text, Buttons buttons, Icon, const QString &details) {
  printLines(text.text);
  if (!details.isEmpty())
    printLines(details);
  if (buttons == Buttons::Ok)
    return Answer::Ok;
  const Answer yesAnswer = buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  const Answer noAnswer = buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  if (yes)
    return yesAnswer;
  if (!console::InputIsTerminal())
    return noAnswer;
  const bool three = buttons == Buttons::YesNoCancel || buttons == Buttons::SaveDiscardCancel;
  QTextStream(stderr) << (three ? "[y/n/C] " : "[y/N] ") << Qt::flush;
  QTextStream in(stdin);
  const QString reply = in.readLine().trimmed().toLower();
  if (reply.startsWith(u'y'))
    return yesAnswer;
  if (three && reply.startsWith(u'n'))
    return Answer::No;
  return noAnswer;
}

void ConsoleDialogs::showStatus(const Told &text) {
  printLines(reworded.value(text.text, text.text));
}
