#include "standardmarks.h"
#include "dialogs.h"
#include "frmmain.h"
#include "module1.h"
#include "paramdiff.h"
#include "parameterpage.h"
#include "stdlists.h"

namespace {

struct Marked {
  int param;
  QList<Control *> boxes;
};

QList<Marked> markedBoxes(FrmMain &f) {
  return {{1, {&f.txtHomeOffset}},      {3, {&f.txtHomeVel}},     {4, {&f.txtHomeOfsVel}},
          {8, {&f.txtAxisPulse}},       {9, {&f.comboAxisAutoDrv}}, {13, {&f.comboPgFunc}},
          {14, {&f.txtPgAlarm}},        {15, {&f.comboHomeOut}},  {19, {&f.txtInpLimit}},
          {23, {&f.txtPgCheckTimer}},   {24, {&f.comboAutoHome}}, {25, {&f.txtLsSerchTimer}},
          {26, {&f.optEmgLogic(0), &f.optEmgLogic(1)}},
          {27, {&f.optAlarmAutoClear(0), &f.optAlarmAutoClear(1)}}};
}

// An empty box or an unanswered pair of options holds no value at all.
bool blank(const QList<Control *> &boxes) {
  if (boxes.first()->kind() == Control::Kind::Option)
    return std::none_of(boxes.begin(), boxes.end(), [](const Control *c) { return c->isChecked(); });
  return boxes.first()->text().isEmpty();
}

} // namespace

StandardMarks::StandardMarks(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, ParameterPage &page)
    : m_(m), f_(frmMain), dialogs_(dialogs), page_(page) {
  f_.chkStdMark.onClick([this] {
    refresh();
    if (!f_.chkStdMark.isChecked())
      dialogs_.status(QString());
  });
  connect(&page_, &ParameterPage::valuesChanged, this, &StandardMarks::refresh);
}

void StandardMarks::refresh() {
  if (!f_.chkStdMark.isChecked()) {
    clear();
    return;
  }
  const Messages msg = m_.messages();
  const QString size = f_.comboActSize.text();
  if (!stdlists::ActSizes().contains(size)) {
    clear();
    dialogs_.status(msg.told(5243).arg(size));
    return;
  }
  // The encoder is a fact of the machine: its standard follows FUNCTION.
  const bool encoder = f_.comboPgFunc.listIndex() == 1;
  const auto standard = page_.standardSet(size, encoder);
  if (!standard) {
    clear();
    dialogs_.status(msg.told(28));
    return;
  }
  const QList<paramdiff::Row> rows = paramdiff::Compare(
      page_.screenRecord(), PageFixedValues(*standard, f_.chkTokuParaChange.isChecked()), msg);
  count_ = 0;
  for (const Marked &m : markedBoxes(f_)) {
    const paramdiff::Row &row = rows[m.param - 1];
    const bool differs = row.differs || blank(m.boxes);
    count_ += differs ? 1 : 0;
    for (Control *box : m.boxes) {
      if (differs)
        mark(*box, msg.text(5240).arg(row.b));
      else
        unmark(*box);
    }
  }
  dialogs_.status(msg.told(count_ == 1 ? (encoder ? 5331 : 5330) : (encoder ? 5242 : 5241)).arg(count_).arg(size));
}

void StandardMarks::mark(Control &box, const QString &standard) {
  if (!marked_.contains(&box)) {
    marked_.insert(&box);
    tips_.insert(&box, box.toolTip);
  }
  const QString before = tips_.value(&box);
  box.setToolTipText(before.isEmpty() ? standard : before + u'\n' + standard);
  box.setBackColor(colors::ChangedTint);
}

void StandardMarks::unmark(Control &box) {
  if (!marked_.remove(&box))
    return;
  box.setToolTipText(tips_.take(&box));
  // A locked box of the special group is grey.
  box.setBackColor(box.isEnabled() || box.kind() == Control::Kind::Option ? colors::WindowBackground
                                                                           : colors::LightGrey);
}

void StandardMarks::clear() {
  for (Control *box : marked_.values())
    unmark(*box);
  count_ = 0;
}
