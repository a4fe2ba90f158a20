// An operator command against a controller that answers with the fuzzer's
// bytes: the receiver, the transactions and every decoder behind them.
// The first byte chooses the command; then one answer per line sent,
// separated by 0xFF, each arriving in pieces separated by 0xFE.
#include "scripteddevice.h"
#include "fakedialogs.h"
#include "fuzzcommon.h"
#include "program.h"
#include "simportdevice.h"

#include <QRegularExpression>

namespace {
QList<QList<QByteArray>> answersOf(const QByteArray &bytes) {
  QList<QList<QByteArray>> answers;
  for (const QByteArray &a : bytes.split('\xff'))
    answers << a.split('\xfe');
  return answers;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzEnv();
  if (size == 0)
    return 0;
  // Every wait for a missing reply ends in a millisecond or two.
  Link::setTimeoutScale(0.0005);
  FakeDialogs dialogs;
  Program p(dialogs);
  SimPortDevice sim;
  p.link.setDevice(&sim);
  p.m.PortOccupy = false;
  p.frmMain_Load();
  FrmMain &f = p.frmMain;
  f.txtDIVISION.setText(QStringLiteral("4"));
  f.txtGEAR.setText(QStringLiteral("10"));
  const int command = data[0] % 10;
  // The writes and the verification need a page read from a controller.
  if (command == 3 || command == 4)
    FUZZ_CHECK(p.paramTransfer.cmdParaRead_Click() == 0);
  dialogs.shown.clear();
  dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes, Dialogs::Answer::Yes};

  ScriptedDevice line;
  line.answers = answersOf(restOf(data, size));
  p.link.setDevice(&line);
  qint16 result = 0;
  switch (command) {
  case 0: result = p.indexData.cmdGetfromCt_Click(); break;
  case 1: result = p.indexData.LoadtoCtMain(); break;
  case 2: result = p.paramTransfer.cmdParaRead_Click(); break;
  case 3: result = p.paramTransfer.cmdParaWrite_Click(); break;
  case 4: f.cmdConpareCT.click(); result = -1; break;
  case 5: result = p.controller.cmdRESET_Click(); break;
  case 6: result = p.controller.mnuShowCtversion_Click(); break;
  case 7:
    // Four ticks, then Stop Monitor and the ticks that end it.
    p.io.IoMonitorStart();
    for (int i = 0; i < 8 && p.io.IoMonitoring; ++i) {
      if (i == 4)
        p.io.IoMonitorStop();
      p.io.timerInputOutput1_Timer();
    }
    FUZZ_CHECK(!p.io.IoMonitoring);
    result = -1;
    break;
  case 8:
    f.cmdHOME.click();
    result = -1;
    break;
  default:
    f.optSTEP.setChecked(true);
    result = p.motion.cmdMOVE_Click();
    break;
  }
  // A command that failed told the operator why.
  if (result == 1)
    FUZZ_CHECK(!dialogs.shown.isEmpty() || !dialogs.statuses.isEmpty());
  // Whatever came back, the controller got only well-formed lines.
  static const QRegularExpression wellFormed(QStringLiteral("^0([A-Z]{2}|%C)[0-9A-F]*\r\n$"));
  for (const QByteArray &l : line.written)
    FUZZ_CHECK(wellFormed.match(QString::fromLatin1(l)).hasMatch());
  FUZZ_CHECK(!line.isOpen() || p.m.PortOccupy);
  return 0;
}
