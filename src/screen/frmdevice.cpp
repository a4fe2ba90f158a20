#include "frmdevice.h"

FrmDevice::FrmDevice() : Window("frmDevice", "Select Device", "1401") {
  form.setVisible(false);
}
