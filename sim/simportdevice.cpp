#include "simportdevice.h"

#include <utility>

SimPortDevice::SimPortDevice(ControllerSim *sim, QObject *parent)
    : PortDevice(parent), sim_(sim ? sim : new ControllerSim(this)) {
  connect(sim_, &ControllerSim::send, this, &SimPortDevice::arrive);
  connect(sim_, &ControllerSim::vanish, this, &SimPortDevice::lineGone);
}

bool SimPortDevice::open(int portNo, QString *reason) {
  Q_UNUSED(portNo)
  if (open_)
    return true;
  if (!openFailure_.isEmpty()) {
    if (reason)
      *reason = openFailure_;
    return false;
  }
  open_ = true;
  ++openCount_;
  return true;
}

bool SimPortDevice::tryPort(int, QString *reason) {
  if (openFailure_.isEmpty())
    return true;
  *reason = openFailure_;
  return false;
}

void SimPortDevice::close() {
  open_ = false;
  rx_.clear();
}

bool SimPortDevice::write(const QByteArray &data) {
  if (!open_)
    return false;
  sim_->receive(data);
  return true;
}

QByteArray SimPortDevice::readAll() { return std::exchange(rx_, QByteArray()); }

void SimPortDevice::arrive(const QByteArray &bytes) {
  if (!open_)
    return;
  rx_ += bytes;
  Q_EMIT dataArrived();
}

void SimPortDevice::lineGone() {
  if (!open_)
    return;
  close();
  Q_EMIT vanished();
}
