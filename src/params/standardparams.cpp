// The actuator list, the standard parameters and the command that loads them.
#include "basic.h"
#include "commandlock.h"
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
    dialogs_.message(m_.told({15, 16}));
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
    dialogs_.message(m_.told(15));
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
  StdCommon = StdCommonFor(DevChoice.Size);

  const auto text = readList(StdParaListFile);
  // A missing list is reported as a defective one.
  const StdParaData data = text ? ParseStdParaList(*text) : StdParaData{StdListError::Defective, {}};
  switch (data.error) {
  case StdListError::WrongModel:
    dialogs_.message(m_.told(27));
    return 1;
  case StdListError::Defective:
    dialogs_.message(m_.told({28, 29}));
    return 1;
  case StdListError::None:
    break;
  }
  StdGroup = data.group;
  return 0;
}

std::optional<ParametaRecord> ParameterPage::standardSet(const QString &size, bool encoder) const {
  const auto text = readList(StdParaListFile);
  if (!text)
    return std::nullopt;
  const StdParaData data = ParseStdParaList(*text);
  if (data.error != StdListError::None)
    return std::nullopt;
  return StandardSet(StdCommonFor(size), data.group, encoder);
}

qint16 ParameterPage::LoadStdPara() {
  if (ReadStdParaList() == 1) {
    dialogs_.message(m_.told(36));
    return 1;
  }
  // Built aside and taken over only when complete: the page and the set
  // never disagree.
  const auto p = StandardSet(StdCommon, StdGroup, DevPgUse, ParametaSet);
  if (!p)
    return 1;
  ParametaSet = *p;
  return 0;
}

void ParameterPage::cmdIniPrm_Click() {
  const CommandLock locked(f_, {CommandLock::Group::Commands, CommandLock::Group::ParaCommand});
  if (askBeforeReplacing()) {
    frmDeviceDialog.showModal();
    if (frmDeviceDialog.Cancelled()) {
      frmDeviceDialog.setCancelled(false);
    } else if (LoadStdPara() == 0) {
      ParametaHyoji();
      document.setPath({});
      dialogs_.done(m_.told(5106).arg(f_.comboActSize.text()));
    }
  }
}
