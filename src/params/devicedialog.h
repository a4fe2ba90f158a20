#pragma once
#include <QObject>

class FrmDevice;
class FrmMain;
class ParameterPage;
struct Module1;

// The device dialog frmDevice: the operator picks the actuator size and
// whether it has an encoder; closing it any other way than OK cancels.
class DeviceDialog : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Cancelled READ Cancelled WRITE setCancelled)
public:
  DeviceDialog(ParameterPage &page, Module1 &m, FrmMain &frmMain, FrmDevice &frmDevice);

  bool Cancelled() const { return cancelled_; }
  void setCancelled(bool on) { cancelled_ = on; }

  // Loads the dialog and waits until the operator closes it.
  void showModal();

  void Form_Load();
  void comboDeviceSize_Click();
  void cmdDeviceSet_Click();
  void cmdDeviceCancel_Click();

private:
  void showEncoderChoice();
  void close();

  ParameterPage &page_;
  Module1 &m_;
  FrmMain &f_;
  FrmDevice &d_;
  bool cancelled_ = false;
};
