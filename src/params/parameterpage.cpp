#include "parameterpage.h"
#include "datafolder.h"
#include "basic.h"
#include "dialogs.h"
#include "entryrules.h"
#include "frmmain.h"
#include "module1.h"

#include <QCoreApplication>
#include <cmath>

using namespace params;

namespace {

const QString SizeSP = QStringLiteral("SP");
const QString SizeSPCode = QStringLiteral("20"); // how the controller knows "SP"

// A number as the page shows it: no decimals for a whole value.
QString numText(double v) {
  if (std::abs(v) < 1e15 && v == std::trunc(v))
    return QString::number(qint64(v));
  return QString::number(v, 'g', 15);
}

qint16 intOf(const Control &box) { return CInt(Val(box.text())); }

// The item data of the selected item, or 0 when nothing (or an item beyond
// the accepted ones) is selected.
qint16 comboValue(const Control &combo, int lastAccepted) {
  const int i = combo.listIndex();
  return i >= 0 && i <= lastAccepted ? qint16(combo.itemData(i)) : qint16(0);
}

// The boxes of the range-checked fields, with their labels; the others
// come from files only.
struct RangedBox {
  const char *field;
  Control FrmMain::*box;
  Control FrmMain::*label;
};
constexpr RangedBox RangedBoxes[] = {
    {"HomeOffset", &FrmMain::txtHomeOffset, &FrmMain::lblHomeOffset},
    {"HomeVel", &FrmMain::txtHomeVel, &FrmMain::lblHomeVel},
    {"HomeOfsVel", &FrmMain::txtHomeOfsVel, &FrmMain::lblHomeOfsVel},
    {"AxisPulse", &FrmMain::txtAxisPulse, &FrmMain::lblAxisPulse},
    {"AxisAutoDrv", &FrmMain::comboAxisAutoDrv, &FrmMain::lblAxisAutoDrv},
    {"PgFunc", &FrmMain::comboPgFunc, &FrmMain::lblPgFunc},
    {"PgAlarm", &FrmMain::txtPgAlarm, &FrmMain::lblPgAlarm},
    {"HomeOut", &FrmMain::comboHomeOut, &FrmMain::lblHomeOut},
    {"InpLimit", &FrmMain::txtInpLimit, &FrmMain::lblInpLimit},
    {"PgCheckTimer", &FrmMain::txtPgCheckTimer, &FrmMain::lblPgCheckTimer},
    {"AutoHome", &FrmMain::comboAutoHome, &FrmMain::lblAutoHome},
    {"LsSerchTimer", &FrmMain::txtLsSerchTimer, &FrmMain::lblLsSerchTimer}};

// A digit box: refuses keys once it holds more than `limit` characters
// (unless its whole text is selected), and a zero left in it may read as
// "no value".
struct DigitBox {
  Control FrmMain::*box;
  int limit;
  bool zeroIsEmpty;
};
constexpr DigitBox DigitBoxes[] = {
    {&FrmMain::txtHomeOffset, 4, true},    {&FrmMain::txtHomeVel, 1, true},
    {&FrmMain::txtHomeOfsVel, 1, true},    {&FrmMain::txtAxisPulse, 4, false},
    {&FrmMain::txtPgAlarm, 4, false},      {&FrmMain::txtInpLimit, 2, false},
    {&FrmMain::txtPgCheckTimer, 2, false}, {&FrmMain::txtLsSerchTimer, 2, false},
};

// Not range-checked, but one byte wide.
const ParamRange InpLimitRange{QStringLiteral("InpLimit"), 0, 0, 255, true};

std::optional<ParamRange> rangeOf(const QList<ParamRange> &ranges, const char *field) {
  if (qstrcmp(field, "InpLimit") == 0)
    return InpLimitRange;
  for (const ParamRange &r : ranges)
    if (r.name == QLatin1String(field))
      return r;
  return std::nullopt;
}

} // namespace

QString ParameterPage::rangeText(const ParamRange &r) const {
  return m_.msg(5200).arg(numText(r.lo), numText(r.hi));
}

bool ParameterPage::valuesInRange() {
  QList<ParamRange> ranges = ParametaRanges(ParametaSet);
  if (ParametaSet.InpLimit < InpLimitRange.lo || ParametaSet.InpLimit > InpLimitRange.hi) {
    ParamRange wide = InpLimitRange;
    wide.value = ParametaSet.InpLimit;
    wide.ok = false;
    ranges.prepend(wide);
  }
  for (const ParamRange &r : std::as_const(ranges)) {
    if (r.ok)
      continue;
    QString name = r.name, value = numText(r.value);
    for (const RangedBox &b : RangedBoxes) {
      if (r.name != QLatin1String(b.field))
        continue;
      Control &box = f_.*b.box;
      name = box.container()->text() + u' ' + (f_.*b.label).text();
      value = box.text();
      box.setFocus();
    }
    dialogs_.status(m_.told(5007).arg(name, value, numText(r.lo), numText(r.hi)));
    return false;
  }
  return true;
}

bool ParameterPage::currentMissing() const {
  return f_.comboActSize.text() == SizeSP && !(Val(f_.txtDenryu.text()) > 0);
}

bool ParameterPage::screenComplete() {
  if (BlankParaCheck() == 1) {
    dialogs_.message(m_.told({7, 8}));
    return false;
  }
  if (currentMissing()) {
    dialogs_.message(m_.told(5211).arg(f_.lblDenryu.text()) + QStringLiteral("\r\n") + m_.told(8));
    f_.txtDenryu.setFocus();
    return false;
  }
  return true;
}

ParameterPage::ParameterPage(Module1 &m, FrmMain &frmMain, FrmDevice &frmDevice, Dialogs &dialogs)
    : listFolder(DataFolder()),
      frmDeviceDialog(*this, m, frmMain, frmDevice), m_(m), f_(frmMain), dialogs_(dialogs) {
  for (const DigitBox &b : DigitBoxes)
    wireDigitBox(f_.*b.box, b.limit, b.zeroIsEmpty);
  Control &denryu = f_.txtDenryu;
  denryu.onKeyPress([this, &denryu](int key) {
    QString outOfRange;
    const entry::KeyResult r =
        entry::DenryuKeyFilter(key, denryu.text(), DotSeen, denryu.selStart, denryu.selLength, &outOfRange);
    if (r.focusNext)
      denryu.requestFocusNext();
    if (!outOfRange.isEmpty())
      dialogs_.status(m_.told(5007).arg(f_.lblDenryu.text(), outOfRange, QStringLiteral("0.1"),
                                       QStringLiteral("2.0")));
    return r.key;
  });
  denryu.onChange([this] { txtDenryu_Change(); });
  f_.comboActSize.onClick([this] { comboActSize_Click(); });
  f_.chkTokuParaChange.onClick([this] {
    if (!confirmed_)
      chkTokuParaChange_Click();
  });
  f_.cmdIniPrm.onClick([this] { cmdIniPrm_Click(); });
  watchEdits();
}

namespace {
struct Filling {
  int &depth;
  explicit Filling(int &d) : depth(d) { ++depth; }
  ~Filling() { --depth; }
};
} // namespace

void ParameterPage::watchEdits() {
  auto onPage = [this](const Control *c) {
    for (; c; c = c->container())
      if (c->container() == &f_.SSTab1)
        return c->page() == 1;
    return false;
  };
  // Connected last: the page's own rules have run when it is marked.
  auto edited = [this] {
    if (filling_ == 0) {
      document.setEdited(true);
      Q_EMIT valuesChanged();
    }
  };
  for (Control *c : f_.controls()) {
    if (!onPage(c) || c == &f_.chkTokuParaChange || c == &f_.chkStdMark)
      continue;
    switch (c->kind()) {
    case Control::Kind::Text: c->onChange(edited); break;
    case Control::Kind::Combo: c->onChange(edited); c->onClick(edited); break;
    case Control::Kind::Option:
    case Control::Kind::Check: c->onClick(edited); break;
    default: break;
    }
  }
}

bool ParameterPage::askBeforeReplacing() {
  if (!document.isEdited())
    return true;
  switch (dialogs_.message(m_.told(5120), Dialogs::Buttons::YesNoCancel, Dialogs::Icon::Question)) {
  case Dialogs::Answer::Yes: return saveAs && saveAs();
  case Dialogs::Answer::No: return true;
  default: return false;
  }
}

void ParameterPage::wireDigitBox(Control &box, int limit, bool zeroIsEmpty) {
  box.onKeyPress([&box, limit](int key) {
    const entry::KeyResult r = entry::DigitKeyFilter(key, box.text(), box.selLength, limit);
    if (r.focusNext)
      box.requestFocusNext();
    return r.key;
  });
  box.onLostFocus([this, &box, zeroIsEmpty] {
    EditText = box.text();
    EditText = entry::DigitBoxLeave(EditText, zeroIsEmpty);
    box.setText(EditText);
  });
}

void ParameterPage::mainWindowLoad() {
  const Filling filling(filling_);
  const Messages msg = m_.messages();
  auto fill = [&msg](Control &combo, std::initializer_list<int> numbers) {
    combo.clearItems();
    int data = 0;
    for (int n : numbers)
      combo.addItem(msg.text(n), data++);
  };
  fill(f_.comboAxisAutoDrv, {641, 642});
  fill(f_.comboPgFunc, {652, 653});
  for (Control *c : {&f_.txtPgCheckTimer, &f_.txtLsSerchTimer}) {
    c->setEnabled(false);
    c->setBackColor(colors::LightGrey);
  }
  fill(f_.comboHomeOut, {657, 658, 659, 660});
  fill(f_.comboAutoHome, {663, 664});
  f_.SSTabPrm.setTabCaption(0, msg.text(610));
  f_.SSTabPrm.setTabCaption(1, msg.text(611));
  f_.comboAutoHome.setEnabled(false);
  f_.comboAutoHome.setBackColor(colors::LightGrey);
  // Never filled and carrying nothing: disabled, so nobody looks for items.
  f_.comboBrake.setEnabled(false);
  // The design captions "接点(1)"/"接点(0)" do not tell A from B.
  f_.optEmgLogic(0).setText(msg.text(690));
  f_.optEmgLogic(1).setText(msg.text(691));
  if (!m_.japanese()) {
    f_.optAlarmAutoClear(1).setText(msg.text(693));
    f_.optAlarmAutoClear(0).setText(msg.text(692));
  }

  for (const RangedBox &b : RangedBoxes)
    if (const auto r = rangeOf(ParametaRanges(ParametaRecord{}), b.field))
      (f_.*b.box).setToolTipText(rangeText(*r));
  f_.txtDenryu.setToolTipText(msg.text(5201));

  ReadDevList();
  // The sizes are fixed, so the page stays usable even without the list.
  InitActSize();
  f_.comboActSize.setText(QString());
}

void ParameterPage::ParametaHyoji() {
  const Filling filling(filling_);
  ParametaRecord &p = ParametaSet;
  f_.txtHomeOffset.setText(numText(p.HomeOffset));
  f_.txtHomeVel.setText(QString::number(p.HomeVel));
  f_.txtHomeOfsVel.setText(QString::number(p.HomeOfsVel));
  f_.txtAxisPulse.setText(QString::number(p.AxisPulse));
  showInCombo(f_.comboAxisAutoDrv, p.AxisAutoDrv);

  // The record keeps "SP" from here on, which the block-7 read relies on.
  if (p.ActSize == SizeSPCode)
    p.ActSize = SizeSP;
  f_.comboActSize.setText(p.ActSize);
  if (const auto current = entry::FixedCurrent(p.ActSize)) {
    f_.txtDenryu.setText(*current);
    f_.txtDenryu.setEnabled(false);
  } else if (p.ActSize == SizeSP) {
    f_.txtDenryu.setText(QString());
    f_.txtDenryu.setEnabled(true);
  }

  showInCombo(f_.comboPgFunc, p.PgFunc);
  f_.txtPgAlarm.setText(numText(p.PgAlarm));
  f_.txtPgCheckTimer.setText(QString::number(p.PgCheckTimer));
  f_.txtLsSerchTimer.setText(QString::number(p.LsSerchTimer));

  showInCombo(f_.comboHomeOut, p.HomeOut);
  f_.txtInpLimit.setText(QString::number(p.InpLimit));
  showInCombo(f_.comboAutoHome, p.AutoHome);

  f_.optEmgLogic(p.EmgLogic == 1 ? 0 : 1).setChecked(true);
  f_.optAlarmAutoClear(p.AlarmAutoClear == 1 ? 1 : 0).setChecked(true);
  Q_EMIT valuesChanged();
}

// A value without a list item leaves the list empty: the operator never
// sees a wrong item, and a write stops at the blank check instead of
// sending 0 in its place.
void ParameterPage::showInCombo(Control &combo, int value) {
  if (value >= 0 && value < combo.items().size())
    combo.setListIndex(value);
  else
    combo.setText(QString());
}

ParametaRecord ParameterPage::screenRecord() const {
  ParametaRecord p = ParametaSet;
  p.HomeOffset = Val(f_.txtHomeOffset.text());
  p.HomeVel = intOf(f_.txtHomeVel);
  p.HomeOfsVel = intOf(f_.txtHomeOfsVel);
  p.AxisPulse = CLng(Val(f_.txtAxisPulse.text()));
  p.AxisAutoDrv = comboValue(f_.comboAxisAutoDrv, 1);
  p.ActSize = f_.comboActSize.text();
  p.PgFunc = comboValue(f_.comboPgFunc, 2);
  p.PgAlarm = Val(f_.txtPgAlarm.text());
  p.HomeOut = comboValue(f_.comboHomeOut, 3);
  p.InpLimit = intOf(f_.txtInpLimit);
  const bool special = f_.chkTokuParaChange.isChecked();
  if (special) {
    p.PgCheckTimer = intOf(f_.txtPgCheckTimer);
    p.AutoHome = comboValue(f_.comboAutoHome, 1);
    p.LsSerchTimer = intOf(f_.txtLsSerchTimer);
    p.EmgLogic = f_.optEmgLogic(1).isChecked() ? 0 : 1;
    p.AlarmAutoClear = f_.optAlarmAutoClear(1).isChecked() ? 1 : 0;
  }
  return PageFixedValues(p, special);
}

void ParameterPage::TorikomiParametaValue() {
  ParametaSet = screenRecord();
  const ParametaRecord &p = ParametaSet;
  DevChoice = {p.ActSize, p.ActType, p.ActModelNo};
}

qint16 ParameterPage::BlankParaCheck() const {
  for (const Control *c :
       {&f_.txtHomeOffset, &f_.txtHomeVel, &f_.txtHomeOfsVel, &f_.txtAxisPulse,
        &f_.comboAxisAutoDrv, &f_.comboActSize, &f_.comboPgFunc, &f_.txtPgAlarm,
        &f_.comboHomeOut, &f_.txtInpLimit, &f_.txtPgCheckTimer, &f_.comboAutoHome,
        &f_.txtLsSerchTimer})
    if (c->text().isEmpty())
      return 1;
  if (!f_.optEmgLogic(0).isChecked() && !f_.optEmgLogic(1).isChecked())
    return 1;
  if (!f_.optAlarmAutoClear(0).isChecked() && !f_.optAlarmAutoClear(1).isChecked())
    return 1;
  return 0;
}

void ParameterPage::CopyParaArray(const ParametaList &a) {
  ::CopyParaArray(a, ParametaSet, DevPgUse, DevPgEditable);
}

void ParameterPage::lockSpecial(bool locked) {
  for (Control *c : {&f_.txtPgCheckTimer, &f_.txtLsSerchTimer, &f_.comboAutoHome}) {
    c->setEnabled(!locked);
    c->setBackColor(locked ? colors::LightGrey : colors::WindowBackground);
  }
  for (Control *c : {&f_.optEmgLogic(0), &f_.optEmgLogic(1), &f_.optAlarmAutoClear(0),
                     &f_.optAlarmAutoClear(1)})
    c->setEnabled(!locked);
}

void ParameterPage::unlockSpecialConfirmed() {
  confirmed_ = true; // the rule would ask
  f_.chkTokuParaChange.setChecked(true);
  confirmed_ = false;
  lockSpecial(false);
}

void ParameterPage::chkTokuParaChange_Click() {
  if (!f_.chkTokuParaChange.isChecked()) {
    lockSpecial(true);
    Q_EMIT valuesChanged(); // the special group is now taken in as fixed
    return;
  }
  const auto answer = dialogs_.message(m_.told({671, 672}),
                                       Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation);
  if (answer != Dialogs::Answer::Yes) {
    f_.chkTokuParaChange.setChecked(false); // runs this rule again, which locks
    return;
  }
  lockSpecial(false);
  Q_EMIT valuesChanged();
}

void ParameterPage::comboActSize_Click() {
  const QString size = f_.comboActSize.text();
  if (const auto current = entry::FixedCurrent(size)) {
    f_.txtDenryu.setText(*current);
    f_.txtDenryu.setEnabled(false);
  } else if (size == SizeSP) {
    // A disabled box holds the old size's fixed current, never the SP
    // motor's: the operator types it. A current already given stays.
    if (!f_.txtDenryu.isEnabled())
      f_.txtDenryu.setText(QString());
    f_.txtDenryu.setEnabled(true);
  }
}

void ParameterPage::txtDenryu_Change() {
  const entry::DenryuText r = entry::DenryuChange(f_.txtDenryu.text());
  DotSeen = r.DotSeen;
  // Setting the corrected text runs this rule once more, to the same result.
  f_.txtDenryu.setText(r.text);
}
