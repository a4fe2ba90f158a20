#include "parametertransfer.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "frmtrance.h"
#include "hexpad.h"
#include "parameterreport.h"
#include "link.h"
#include "module1.h"
#include "paramblocks.h"
#include "parameterpage.h"
#include "setrescaptions.h"

using namespace paramblocks;

ParameterTransfer::ParameterTransfer(Module1 &m, FrmMain &frmMain, FrmTrance &frmTrance,
                                     Dialogs &dialogs, Link &link, ParameterPage &page)
    : m_(m), f_(frmMain), t_(frmTrance), dialogs_(dialogs), link_(link), page_(page) {
  f_.cmdParaRead.onClick([this] { Q_EMIT f_.commandEnded(QStringLiteral("params read"), cmdParaRead_Click()); });
  f_.cmdParaWrite.onClick([this] { Q_EMIT f_.commandEnded(QStringLiteral("params write"), cmdParaWrite_Click()); });
}

// The parameter buttons too: the other page alone would leave them free
// to start a second transfer during this one's waits. The port is released
// before they are free, whichever way the command ended.
qint16 ParameterTransfer::transfer(qint16 (ParameterTransfer::*command)()) {
  using G = CommandLock::Group;
  const CommandLock locked(f_, {G::Commands, G::ParaCommand});
  const qint16 result = (this->*command)();
  link_.CommPortRelease();
  return result;
}

// --- Read ----------------------------------------------------------------------

qint16 ParameterTransfer::cmdParaRead_Click() {
  const qint16 result = transfer(&ParameterTransfer::GetParametaValue);
  if (result == 0) {
    page_.document.setPath({}); // the controller's set, no file's
    dialogs_.done(m_.told(5104));
    const auto lines = ParameterReportLines(page_.ParametaSet, m_.messages());
    const auto keys = ParameterReportLines(page_.ParametaSet, Messages(msgtable::EnglishBase));
    for (qsizetype i = 0; i < lines.size(); ++i)
      dialogs_.outcome.values.append({keys[i].first, lines[i].first, lines[i].second});
  }
  return result;
}

qint16 ParameterTransfer::GetParametaValue() {
  if (!page_.askBeforeReplacing())
    return 1;
  if (link_.CommPortOpen() == 1)
    return 1;
  if (link_.CommCheck() == 1) {
    link_.CommPortRelease();
    return 1;
  }
  // The identity blocks first: a controller that cannot give them is not
  // worth a full read.
  bool identity = link_.CommTransaction("0RD", ReplyLength, "1", 2000) == 0;
  if (identity) {
    identity = link_.CommTransaction("0RD", ReplyLength, "0", 2000) == 0;
  }
  if (!identity) {
    dialogs_.message(m_.told(356));
    link_.CommPortRelease();
    return 1;
  }
  qint16 result = 1;
  if (const auto list = ReadParaBlocks()) {
    page_.CopyParaArray(*list);
    page_.ParametaHyoji();
    result = GetSPdenryu();
  }
  link_.CommPortRelease();
  return result;
}

std::optional<ParametaList> ParameterTransfer::ReadParaBlocks() {
  for (int i = 0; i <= 4; ++i)
    link_.BlockStrings[i].clear();
  f_.Disp_ProgressBar();
  f_.ProgressBar1.setMaximum(4);
  dialogs_.setBusy(true);
  std::array<QByteArray, 3> replies;
  for (int b = 0; b < 3; ++b) {
    if (link_.CommTransaction("0RD", ReplyLength, HexPad(b, 1), 3000) == 1) {
      dialogs_.setBusy(false);
      link_.CommPortRelease();
      f_.Hide_ProgressBar();
      return std::nullopt;
    }
    link_.BlockStrings[b] = replies[std::size_t(b)] = link_.JusinData;
    f_.ProgressBar1.setValue(b + 1);
  }
  dialogs_.setBusy(false);
  f_.Hide_ProgressBar();
  link_.CommPortRelease();
  const auto list = DecodeBlocks(replies);
  if (!list)
    link_.WrongReply();
  return list;
}

std::optional<int> ParameterTransfer::ReadCurrentCount() {
  if (link_.CommTransaction("0RD", ReplyLength, "7", 3000) == 1) {
    link_.CommPortRelease();
    return std::nullopt;
  }
  link_.BlockStrings[3] = link_.JusinData;
  link_.CommPortRelease();
  const auto count = CurrentCount(link_.BlockStrings[3]);
  if (!count)
    link_.WrongReply();
  return count;
}

qint16 ParameterTransfer::GetSPdenryu() {
  const auto count = ReadCurrentCount();
  if (!count)
    return 1;
  // ParametaHyoji has turned size 20 into "SP".
  if (page_.ParametaSet.ActSize == u"SP")
    f_.txtDenryu.setText(CurrentText(*count));
  return 0;
}

// --- Write ---------------------------------------------------------------------

qint16 ParameterTransfer::cmdParaWrite_Click() {
  const qint16 result = transfer(&ParameterTransfer::ParaWriteSeq);
  if (result == 0) {
    page_.document.setEdited(false); // the edits are in the controller now
    dialogs_.done(m_.told(5105));
  }
  return result;
}

qint16 ParameterTransfer::ParaWriteSeq() {
  // Checked before the question: a refusal after Yes would ask for nothing.
  if (!page_.screenComplete())
    return 1;
  page_.TorikomiParametaValue();
  // A value wider than its bytes would shift every byte after it.
  if (!page_.valuesInRange() || !FieldsTooWide(page_.ParametaSet).isEmpty() ||
      (page_.ParametaSet.ActSize == u"20" && !CountOfCurrent(f_.txtDenryu.text()))) {
    dialogs_.message(m_.told({1524, 1525}));
    return 1;
  }
  if (dialogs_.message(m_.told(470), Dialogs::Buttons::YesNo, Dialogs::Icon::Question) !=
      Dialogs::Answer::Yes)
    return 1;
  qint16 result = 1;
  switch (link_.ReadCtStatus()) {
  case 0:
    dialogs_.message(m_.told(424));
    link_.CommPortRelease();
    return 1;
  case -1:
    dialogs_.message(m_.told(377));
    link_.CommPortRelease();
    return 1;
  case 1:
    if (beforeWrite && !beforeWrite())
      break;
    result = WriteParaToCt();
    if (result == 0 && afterWrite)
      result = afterWrite();
    break;
  default:
    break; // stopped in another state: the controller takes no parameters
  }
  closeTrance();
  link_.CommPortRelease();
  dialogs_.message(m_.told(result == 0 ? 1527 : 1528));
  return result;
}

void ParameterTransfer::showTrance() {
  if (!tranceLoaded_) {
    SetResCaptions(t_, m_.messages());
    tranceLoaded_ = true;
  }
  t_.lblSetumei.setText(m_.msg(383));
  t_.prgBar1.setMaximum(7);
  t_.prgBar1.setValue(0);
  t_.form.setVisible(true);
}

void ParameterTransfer::closeTrance() { t_.form.setVisible(false); }

qint16 ParameterTransfer::WriteParaToCt() {
  const ParametaRecord &p = page_.ParametaSet;
  for (int b = 0; b < 3; ++b)
    link_.BlockStrings[b] = EncodeBlock(b, p);
  dialogs_.setBusy(true);
  showTrance();

  enum class Sent { Ok, Failed, WrongEcho };
  auto send = [this](const QByteArray &command, int length, const QByteArray &data,
                     const QByteArray &echo) {
    if (link_.CommTransaction(command, length, data, 5000) == 1)
      return Sent::Failed;
    if (!link_.JusinData.startsWith(echo))
      return Sent::WrongEcho;
    t_.prgBar1.setValue(t_.prgBar1.value() + 1);
    return Sent::Ok;
  };
  auto fail = [this](Sent how) {
    closeTrance();
    dialogs_.setBusy(false);
    if (how == Sent::WrongEcho)
      link_.WrongReply();
    else
      link_.CommPortRelease();
    return qint16(1);
  };

  for (int b = 0; b < 3; ++b) {
    const QByteArray &data = link_.BlockStrings[b];
    if (const Sent s = send("0WD", 6, data, "0WD" + data.left(1)); s != Sent::Ok)
      return fail(s);
  }
  if (const Sent s = send("0WE", 5, {}, "0WE"); s != Sent::Ok)
    return fail(s);

  if (p.ActSize == u"20") {
    Sent s = send("0RD", ReplyLength, "7", "0RD7");
    // Garbage read here would be written back into the controller.
    if (s == Sent::Ok && !IsBlockReply(link_.JusinData, '7'))
      s = Sent::WrongEcho;
    if (s != Sent::Ok)
      return fail(s);
    Block7Data = link_.JusinData.mid(4, 33);
    const QByteArray block7 = Block7WithCount(Block7Data, CountOfCurrent(f_.txtDenryu.text()).value_or(0));
    if (const Sent w = send("0WD7", 6, block7, "0WD7"); w != Sent::Ok)
      return fail(w);
    if (const Sent w = send("0WF", 5, {}, "0WF"); w != Sent::Ok)
      return fail(w);
  }

  closeTrance();
  dialogs_.setBusy(false);
  link_.CommPortRelease();
  return 0;
}
