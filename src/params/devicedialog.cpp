#include "devicedialog.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "module1.h"
#include "parameterpage.h"
#include "setrescaptions.h"

namespace {
constexpr int Offset = 500; // twips right of and below the main window's corner
} // namespace

DeviceDialog::DeviceDialog(ParameterPage &page, Module1 &m, FrmMain &frmMain,
                           FrmDevice &frmDevice)
    : page_(page), m_(m), f_(frmMain), d_(frmDevice) {
  d_.comboDeviceSize.onClick([this] { comboDeviceSize_Click(); });
  d_.comboDeviceSize.onLostFocus([this] { comboDeviceSize_Click(); });
  d_.cmdDeviceSet.onClick([this] { cmdDeviceSet_Click(); });
  d_.cmdDeviceCancel.onClick([this] { cmdDeviceCancel_Click(); });
  d_.onCloseRequest = [this] { cmdDeviceCancel_Click(); };
}

void DeviceDialog::showModal() {
  Form_Load();
  d_.showModal();
}

void DeviceDialog::Form_Load() {
  cancelled_ = false;
  d_.form.left = f_.form.left + Offset;
  d_.form.top = f_.form.top + Offset;
  SetResCaptions(d_, m_.messages());
  // Each load starts from an empty list, as a freshly opened dialog would.
  d_.comboDeviceSize.clearItems();
  d_.chkDevPgUse.setEnabled(page_.DevPgEditable);
  d_.chkDevPgUse.setChecked(page_.DevPgUse);
  if (page_.ReadDevList() != 0)
    return;
  const QStringList sizes = stdlists::ActSizes();
  for (int i = 0; i < sizes.size(); ++i)
    d_.comboDeviceSize.addItem(sizes[i], i);
  const QString current = f_.comboActSize.text();
  d_.comboDeviceSize.setText(current.isEmpty() ? QStringLiteral("28") : current);
  showEncoderChoice();
}

void DeviceDialog::comboDeviceSize_Click() { showEncoderChoice(); }

void DeviceDialog::cmdDeviceSet_Click() {
  page_.DevChoice = {d_.comboDeviceSize.text(), QStringLiteral("L"), 100};
  page_.DevPgUse = d_.chkDevPgUse.isChecked();
  page_.ReadDevList();
  close();
}

void DeviceDialog::cmdDeviceCancel_Click() {
  cancelled_ = true;
  close();
}

void DeviceDialog::showEncoderChoice() {
  d_.chkDevPgUse.setVisible(true);
  d_.chkDevPgUse.setEnabled(true);
  d_.chkDevPgUse.setChecked(page_.DevPgUse);
}

void DeviceDialog::close() { d_.form.setVisible(false); }
