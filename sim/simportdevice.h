#pragma once
#include "controllersim.h"
#include "portdevice.h"

// The port device of the built-in simulator: every port number reaches the
// same ControllerSim, with no serial line in between.
class SimPortDevice : public PortDevice {
  Q_OBJECT
public:
  // Without a simulator of its own choosing the device makes one.
  explicit SimPortDevice(ControllerSim *sim = nullptr, QObject *parent = nullptr);

  bool open(int portNo, QString *reason) override;
  void close() override;
  // Every number reaches the one simulator, whatever is open.
  bool tryPort(int portNo, QString *reason) override;
  bool isOpen() const override { return open_; }
  bool simulated() const override { return true; }
  bool write(const QByteArray &data) override;
  qint64 bytesAvailable() const override { return rx_.size(); }
  QByteArray readAll() override;

  ControllerSim *sim() const { return sim_; }
  // Test hooks: a non-empty reason makes every open fail with it.
  void setOpenFailure(const QString &reason) { openFailure_ = reason; }
  int openCount() const { return openCount_; }

private:
  void arrive(const QByteArray &bytes);
  void lineGone();

  ControllerSim *sim_ = nullptr;
  bool open_ = false;
  QByteArray rx_;
  QString openFailure_;
  int openCount_ = 0;
};
