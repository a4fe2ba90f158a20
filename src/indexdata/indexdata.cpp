#include "indexdata.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "indexrules.h"
#include "link.h"
#include "module1.h"

IndexData::IndexData(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link)
    : m_(m), f_(frmMain), dialogs_(dialogs), link_(link) {
  f_.comboVEL.onClick([this] { comboVEL_Click(); });
  f_.comboACC.onClick([this] { comboACC_Click(); });
  f_.txtGEAR.onChange([this] { txtGEAR_Change(); });
  f_.txtDIVISION.onChange([this] { txtDIVISION_Change(); });
  f_.optCW.onClick([this] { operatorEdit(); });
  f_.optCCW.onClick([this] { operatorEdit(); });
  for (Control *field : {&f_.txtGEAR, &f_.txtDIVISION}) {
    const bool division = field == &f_.txtDIVISION;
    field->onKeyPress([this, field, division](int key) {
      const IndexKey k = IndexKeyFilter(key, field->text());
      if (k.enter) {
        // Enter ends the entry: the field is left, and from the division
        // field the write button is next.
        if (division)
          f_.cmdLoadtoCt.setFocus();
        else
          field->requestFocusNext();
      }
      return k.key;
    });
    field->onLostFocus([this, division] { fieldLeft(division); });
  }
  const auto write = [this] { Q_EMIT f_.commandEnded(QStringLiteral("index write"), LoadtoCtMain()); };
  const auto read = [this] { Q_EMIT f_.commandEnded(QStringLiteral("index read"), cmdGetfromCt_Click()); };
  f_.cmdLoadtoCt.onClick(write);
  f_.mnuFileLoadtoCt.onClick(write);
  f_.cmdGetfromCt.onClick(read);
  f_.mnuFileGetfromCt.onClick(read);
}

void IndexData::filling(const std::function<void()> &fill) {
  ++filling_;
  fill();
  --filling_;
}

void IndexData::operatorEdit() {
  if (filling_ == 0)
    document.setEdited(true);
}

void IndexData::mainWindowLoad() {
  filling([this] {
    f_.txtVEL.setVisible(false);
    f_.comboVEL.clearItems();
    for (int i = 0; i < 30; ++i)
      f_.comboVEL.addItem(QString::number(30 - i), i);
    f_.txtACC.setVisible(false);
    f_.comboACC.clearItems();
    for (int i = 0; i < 3; ++i)
      f_.comboACC.addItem(QString::number(3 - i), i);
  });
}

void IndexData::selectStartValues() {
  filling([this] {
    f_.comboVEL.setText(QStringLiteral("1"));
    f_.comboACC.setText(QStringLiteral("1"));
  });
}

// --- Entry rules ------------------------------------------------------------

void IndexData::comboVEL_Click() {
  operatorEdit();
  if (SuppressVelCalc)
    return;
  if (const auto v = VelocityFromList(f_.comboVEL.text(), f_.txtGEAR.text()))
    f_.txtVEL.setText(*v);
}

void IndexData::comboACC_Click() {
  operatorEdit();
  if (!SuppressVelCalc)
    f_.txtACC.setText(f_.comboACC.text());
}

void IndexData::txtDIVISION_Change() {
  Control &c = f_.txtDIVISION;
  const IndexChange r = IndexFieldChange(c.text());
  operatorEdit();
  if (r.number)
    c.setBackColor(colors::WindowBackground);
  if (r.aboveLimit)
    c.setBackColor(colors::InactiveCaptionText);
  c.setText(r.text);
}

void IndexData::txtGEAR_Change() {
  Control &c = f_.txtGEAR;
  const IndexChange r = IndexFieldChange(c.text());
  operatorEdit();
  // Whoever brings a number (typing, a file, the controller) ends the
  // removed-entry marker; a grey field holding a valid value would mislead.
  if (r.number)
    c.setBackColor(colors::WindowBackground);
  if (r.number && !SuppressVelCalc && !c.text().startsWith(u'0') && !c.text().isEmpty() &&
      !f_.comboVEL.text().isEmpty() && !GearLoading) {
    if (const auto v = VelocityFromList(f_.comboVEL.text(), c.text()))
      f_.txtVEL.setText(*v);
  }
  if (r.aboveLimit)
    c.setBackColor(colors::InactiveCaptionText);
  c.setText(r.text);
}

void IndexData::fieldLeft(bool division) {
  Control &c = division ? f_.txtDIVISION : f_.txtGEAR;
  const IndexLeave r = division ? DivisionLeave(c.text()) : GearLeave(c.text());
  c.setText(r.text);
  if (r.removed)
    c.setBackColor(colors::InactiveCaptionText);
}

// --- Check and conversion ----------------------------------------------------

qint16 IndexData::PosiDataBlankCheck() const {
  for (const Control *c : {&f_.txtVEL, &f_.txtACC, &f_.txtDIVISION, &f_.txtGEAR})
    if (c->text().isEmpty())
      return 1;
  return 0;
}

qint16 IndexData::PosiDataRangeCheck() const { return RangeFault().text.isEmpty() ? 0 : 1; }

Told IndexData::RangeFault() const {
  struct Range {
    int name;
    const Control *box;
    qint32 lo, hi;
  };
  const Range ranges[] = {{3002, &f_.txtVEL, 1, 100000},
                          {3003, &f_.txtACC, 1, 3},
                          {3004, &f_.txtDIVISION, 0, 255},
                          {3005, &f_.txtGEAR, 0, 255}};
  for (const Range &r : ranges) {
    // The gear ratio counts only when there are divisions.
    if (r.box == &f_.txtGEAR && ToInt16(f_.txtDIVISION.text()) == qint16(0))
      continue;
    std::optional<qint32> v = ToInt32(r.box->text());
    if (r.hi <= 255 && !ToInt16(r.box->text()))
      v.reset(); // these fields are taken in as 16-bit values
    if (!v || *v < r.lo || *v > r.hi)
      return m_.told(5007).arg(m_.msg(r.name), r.box->text(), QString::number(r.lo),
                              QString::number(r.hi));
  }
  return {}; // the direction is 0 or 1 by construction
}

qint16 IndexData::PosiDataTorikomi() {
  const std::pair<int, const Control *> fields[] = {
      {1, &f_.txtVEL}, {2, &f_.txtACC}, {6, &f_.txtDIVISION}, {7, &f_.txtGEAR}};
  for (const auto &[col, c] : fields) {
    const auto v = ToInt16(c->text());
    if (!v)
      return 1;
    PosiData[col] = int(*v);
    if (col == 2)
      PosiData[5] = f_.optCW.isChecked() ? 0 : 1;
  }
  return 0;
}

qint16 IndexData::PosiDataCheckAndTorikomi() {
  if (PosiDataBlankCheck() == 1) {
    // Named, so that a refusal is never silent. VEL and ACC are shown by their lists.
    const std::tuple<int, const Control *, Control *> fields[] = {
        {3004, &f_.txtDIVISION, &f_.txtDIVISION}, {3005, &f_.txtGEAR, &f_.txtGEAR},
        {3002, &f_.txtVEL, &f_.comboVEL}, {3003, &f_.txtACC, &f_.comboACC}};
    for (const auto &[name, value, shown] : fields)
      if (value->text().isEmpty()) {
        dialogs_.message(m_.told(5211).arg(m_.msg(name)) + QStringLiteral("\r\n") + m_.told(8));
        shown->setFocus();
        break;
      }
    return 1;
  }
  // Refused without a box, as the screen does; the status line says why.
  if (const Told fault = RangeFault(); !fault.text.isEmpty()) {
    dialogs_.status(fault);
    return 1;
  }
  if (PosiDataTorikomi() == 1) {
    dialogs_.message(m_.told(52) + QStringLiteral("\r\n\r\n") + m_.told(62));
    return 1;
  }
  return 0;
}

void IndexData::PosiDataCopy() {
  for (int col = 1; col <= 8; ++col)
    PosiData[col] = PosiDataRecv[col];
}

void IndexData::showPosiData() {
  filling([this] {
    auto text = [this](int col) { return QString::number(PosiData[col].toLongLong()); };
    f_.txtVEL.setText(text(1));
    f_.txtACC.setText(text(2));
    f_.txtDIVISION.setText(text(6));
    GearLoading = true;
    f_.txtGEAR.setText(text(7));
    GearLoading = false;
    (PosiData[5].toInt() == 0 ? f_.optCW : f_.optCCW).setChecked(true);
  });
}

bool IndexData::setListsFromScreen(ListRule rule) {
  bool shown = true;
  filling([&] {
    if (f_.comboACC.items().contains(f_.txtACC.text()))
      f_.comboACC.setText(f_.txtACC.text());
    else
      shown = false;
    if (f_.txtVEL.text().isEmpty() || f_.txtGEAR.text().isEmpty())
      return; // nothing to derive a list value from
    if (const auto r = ListValueFromVelocity(f_.txtVEL.text(), f_.txtGEAR.text(), rule))
      f_.comboVEL.setText(QString::number(*r));
    else
      shown = false;
  });
  return shown;
}

// --- Write ---------------------------------------------------------------------

qint16 IndexData::LoadtoCtMain() {
  CommandLock locked(f_, {CommandLock::Group::DataCommand});
  const qint16 result = LoadtoCtSeq();
  link_.CommPortRelease();
  locked.release();
  if (result == 0)
    dialogs_.done(m_.told(5101));
  return result;
}

qint16 IndexData::LoadtoCtSeq() {
  qint16 result = 1;
  if (PosiDataCheckAndTorikomi() == 0) {
    if (dialogs_.message(m_.told(375), Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) !=
        Dialogs::Answer::Ok)
      return 1;
    switch (link_.ReadCtStatus()) {
    case 0:
      dialogs_.message(m_.told(424));
      break;
    case -1:
      dialogs_.message(m_.told(377));
      break;
    default:
      if (beforeWrite && !beforeWrite())
        break;
      result = WritePosidataToCt();
      if (result == 0 && afterWrite)
        result = afterWrite();
      if (result == 0)
        document.setEdited(false);
      break;
    }
  }
  link_.CommPortRelease();
  return result;
}

qint16 IndexData::WritePosidataToCt() {
  const QByteArray record = EncodePosiRecord(PosiData);
  link_.BlockStrings[0] = record;
  f_.Disp_ProgressBar();
  f_.ProgressBar1.setMaximum(3);
  dialogs_.setBusy(true);
  f_.ProgressBar1.setValue(1);
  auto fail = [this] {
    dialogs_.setBusy(false);
    link_.CommPortRelease();
    f_.Hide_ProgressBar();
    return qint16(1);
  };
  if (link_.CommTransaction("0WP", 7, record, 5000) == 1)
    return fail();
  if (link_.JusinData.left(4) != "0WP" + record.left(1)) {
    dialogs_.setBusy(false);
    link_.WrongReply(QStringLiteral("\r\n\r\n")); // an empty line between
    f_.Hide_ProgressBar();
    return 1;
  }
  if (link_.CommTransaction("0WA", 5, "0101", 5000) == 1)
    return fail();
  f_.ProgressBar1.setValue(1);
  f_.ProgressBar1.setValue(3);
  f_.Hide_ProgressBar();
  dialogs_.setBusy(false);
  return 0;
}

// --- Read ------------------------------------------------------------------------

QList<Outcome::Value> IndexData::shownValues() const {
  const Messages english(msgtable::EnglishBase);
  const std::pair<int, QString> shown[] = {{3002, f_.comboVEL.text()},
                                           {3003, f_.comboACC.text()},
                                           {3004, f_.txtDIVISION.text()},
                                           {3005, f_.txtGEAR.text()},
                                           {3008, f_.optCW.isChecked() ? QStringLiteral("CW") : QStringLiteral("CCW")}};
  QList<Outcome::Value> values;
  for (const auto &[n, text] : shown)
    values.append({english.text(n), m_.msg(n), text});
  return values;
}

qint16 IndexData::cmdGetfromCt_Click() {
  CommandLock locked(f_, {CommandLock::Group::DataCommand});
  f_.comboVEL.setEnabled(false);
  const qint16 result = GetfromCtSeq();
  // Every way out, a refused link check among them, leaves the port released.
  link_.CommPortRelease();
  f_.comboVEL.setEnabled(true);
  locked.release();
  if (!link_.CommError && !setListsFromScreen(ListRule::AfterRead))
    dialogs_.message(m_.told(3010));
  if (result == 0) {
    dialogs_.done(m_.told(5100));
    dialogs_.outcome.values = shownValues();
  }
  SuppressVelCalc = false;
  return result;
}

bool IndexData::askBeforeReplacing() {
  const bool anyField = !f_.txtVEL.text().isEmpty() || !f_.txtACC.text().isEmpty() ||
                        !f_.txtDIVISION.text().isEmpty() || !f_.txtGEAR.text().isEmpty();
  if (!document.isEdited() || !anyField)
    return true;
  const auto answer = dialogs_.message(m_.told(369), Dialogs::Buttons::YesNoCancel,
                                       Dialogs::Icon::Question);
  if (answer == Dialogs::Answer::Cancel)
    return false;
  return answer != Dialogs::Answer::Yes || (saveAs && saveAs());
}

qint16 IndexData::GetfromCtSeq() {
  if (!askBeforeReplacing())
    return 1;
  if (dialogs_.message(m_.told(370), Dialogs::Buttons::YesNo, Dialogs::Icon::Question) !=
      Dialogs::Answer::Yes)
    return 1;
  if (ReadPosidataFromCt() == 1)
    return 1;
  PosiDataCopy();
  showPosiData();
  document.setPath({}); // the controller's data, no file's
  link_.CommPortRelease();
  return 0;
}

qint16 IndexData::ReadPosidataFromCt() {
  if (link_.CommPortOpen() == 1 || link_.CommCheck() == 1)
    return 1;
  f_.Disp_ProgressBar();
  f_.ProgressBar1.setMaximum(3);
  dialogs_.setBusy(true);
  f_.ProgressBar1.setValue(1);
  const qint16 sent = link_.CommTransaction("0RP", 23, "01", 5000);
  if (sent == 0)
    link_.BlockStrings[0] = link_.JusinData;
  f_.ProgressBar1.setValue(2);
  f_.ProgressBar1.setValue(3);
  f_.Hide_ProgressBar();
  dialogs_.setBusy(false);
  if (sent == 1) {
    link_.CommPortRelease();
    return 1;
  }
  // Field characters that are no hex digits would decode into garbage.
  const auto row = DecodePosiReply(link_.JusinData);
  if (!row) {
    link_.WrongReply(QStringLiteral("\r\n\r\n")); // an empty line between
    return 1;
  }
  for (int col = 1; col <= 7; ++col)
    PosiDataRecv[col] = (*row)[col];
  return 0;
}
