// The actuator list, the standard parameters and the command that loads them.
#include "basic.h"
#include "dialogs.h"
#include "frmmain.h"
#include "module1.h"
#include "parameterpage.h"

#include "wholefile.h"

using namespace params;
using namespace stdlists;

QString ParameterPage::listPath(const char *file) const {
  return listFolder + u'/' + QString::fromLatin1(file);
}

std::optional<QString> ParameterPage::readList(const char *file) const {
  const wholefile::Read f = wholefile::ReadFile(listPath(file));
  if (!f.ok())
    return std::nullopt;
  return wholefile::Text(f.bytes);
}

qint16 ParameterPage::ReadDevList() {
  const auto text = readList(DevListFile);
  const auto list = text ? ParseDevList(*text) : std::nullopt;
  if (!list) {
    dialogs_.message(m_.messages().joined({15, 16}));
    return 1;
  }
  DevList = list->records;
  DevCount = int(DevList.size());
  DevSizes = list->sizes;
  DevSizeLast = int(DevSizes.size()) - 1;
  return 0;
}

qint16 ParameterPage::FindDevSize(const QString &size) {
  const auto text = readList(DevListFile);
  const auto list = text ? ParseDevList(*text) : std::nullopt;
  if (!list) {
    dialogs_.message(m_.msg(15));
    return 1;
  }
  for (const DevRecord &r : list->records)
    if (r.sizePart == size)
      return 0;
  return 1;
}

qint16 ParameterPage::HasEmptySizeItem() const {
  return f_.comboActSize.items().contains(QString()) ? 0 : 1;
}

void ParameterPage::InitActSize() {
  Control &combo = f_.comboActSize;
  const QString text = combo.text();
  combo.clearItems();
  const QStringList sizes = ActSizes();
  for (int i = 0; i < sizes.size(); ++i)
    combo.addItem(sizes[i], i);
  // Without a device list there is no size to fall back on.
  if (!text.isEmpty()) {
    combo.setText(text); // the text outlives the refill
    if (FindDevSize(text) == 1 && !DevSizes.isEmpty())
      combo.setText(DevSizes.first());
  } else if (HasEmptySizeItem() == 1 && !DevSizes.isEmpty()) {
    combo.setText(DevSizes.first());
  }
}

qint16 ParameterPage::ReadStdParaList() {
  StdCommon = ParametaRecord();
  StdCommon.HomeOffset = 30;
  StdCommon.Aux02 = 30;
  StdCommon.HomeVel = 10;
  StdCommon.HomeOfsVel = 10;
  StdCommon.Aux05 = 10;
  StdCommon.Aux06 = 65535;
  StdCommon.Aux07 = 2;
  StdCommon.AxisPulse = 400;
  StdCommon.AxisAutoDrv = 0;
  StdCommon.Aux10 = 20;
  StdCommon.AxisKind = 2;
  StdCommon.ActCode = DevChoice.Size + QStringLiteral("L100");

  const auto text = readList(StdParaListFile);
  // A missing list is reported as a defective one.
  const StdParaData data = text ? ParseStdParaList(*text) : StdParaData{StdListError::Defective, {}};
  switch (data.error) {
  case StdListError::WrongModel:
    dialogs_.message(m_.msg(27));
    return 1;
  case StdListError::Defective:
    dialogs_.message(m_.messages().joined({28, 29}));
    return 1;
  case StdListError::None:
    break;
  }
  StdGroup = data.group;
  return 0;
}

qint16 ParameterPage::LoadStdPara() {
  if (ReadStdParaList() == 1) {
    dialogs_.message(m_.msg(36));
    return 1;
  }
  // Built aside and taken over only when complete: the page and the set
  // never disagree.
  ParametaRecord p = ParametaSet;
  const ParametaRecord &c = StdCommon;
  p.HomeOffset = c.HomeOffset;
  p.Aux02 = c.Aux02;
  p.HomeVel = c.HomeVel;
  p.HomeOfsVel = c.HomeOfsVel;
  p.Aux05 = c.Aux05;
  p.Aux06 = c.Aux06;
  p.Aux07 = c.Aux07;
  p.AxisPulse = c.AxisPulse;
  p.AxisAutoDrv = c.AxisAutoDrv;
  p.Aux10 = c.Aux10;
  p.AxisKind = c.AxisKind;
  p.ActCode = c.ActCode;

  const int pg = DevPgUse ? 2 : 1;
  auto i16 = [this](int row, int column = 1) { return CInt(NumberOf(StdGroup[row][column])); };
  auto num = [this](int row, int column = 1) { return NumberOf(StdGroup[row][column]); };
  p.PgFunc = i16(0, pg);
  p.PgAlarm = num(1, pg);
  p.HomeOut = i16(2);
  p.Aux16 = i16(3);
  p.Aux17 = num(4);
  p.Aux18 = num(5);
  p.InpLimit = i16(6);
  p.Aux20 = i16(7);
  p.Aux21 = i16(8);
  p.Aux22 = i16(9);
  p.PgCheckTimer = i16(10);
  p.AutoHome = i16(11);
  p.LsSerchTimer = i16(12);
  p.EmgLogic = i16(13);
  p.AlarmAutoClear = i16(14);
  p.Aux28 = i16(15);

  if (p.ActCode.size() != 6)
    return 1;
  p.ActSize = p.ActCode.left(2);
  p.ActType = p.ActCode.mid(2, 1);
  p.ActModelNo = CInt(Val(p.ActCode.mid(3, 3)));
  ParametaSet = p;
  return 0;
}

void ParameterPage::cmdIniPrm_Click() {
  f_.CMDBTN_Muko();
  f_.ParaCommand_Muko();

  if (askBeforeReplacing()) {
    frmDeviceDialog.showModal();
    if (frmDeviceDialog.Cancelled()) {
      frmDeviceDialog.setCancelled(false);
    } else if (LoadStdPara() == 0) {
      ParametaHyoji();
      document.setPath({});
      dialogs_.done(m_.msg(5106).arg(f_.comboActSize.text()));
    }
  }

  f_.CMDBTN_Yuko();
  f_.ParaCommand_Yuko();
}
