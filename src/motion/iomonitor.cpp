#include "iomonitor.h"
#include "movestats.h"
#include "control.h"
#include "dialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "replies.h"
#include "wholefile.h"

#include <QFileInfo>

#include <QScopeGuard>

const std::array<IoSignal, 7> IoSignals{{{"STB", true, 1, 8},
                                          {"RES", true, 1, 2},
                                          {"ALM", false, 1, 4},
                                          {"RDY", false, 1, 2},
                                          {"IN-P", false, 1, 1},
                                          {"OUT2", false, 2, 2},
                                          {"OUT1", false, 2, 1}}};

namespace {
// Bit position within a digit: mask 8 is position 0, mask 1 position 3.
int position(int mask) { return mask == 8 ? 0 : mask == 4 ? 1 : mask == 2 ? 2 : 3; }

// One hex digit of an I/O word into its four bits.
void setBits(std::array<bool, 5> &bits, int value) {
  for (const int mask : {8, 4, 2, 1})
    bits[std::size_t(position(mask))] = (value & mask) != 0;
}

// White icon index beside each lamp, in the order of IoSignals.
constexpr std::array<int, 7> WhiteIcon{0, 1, 20, 21, 22, 23, 24};
} // namespace

IoMonitor::IoMonitor(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link)
    : m_(m), f_(frmMain), dialogs_(dialogs), link_(link) {
  timerInputOutput1.setInterval(300);
  timerInputOutput1.setTimerType(Qt::PreciseTimer);
  connect(&timerInputOutput1, &QTimer::timeout, this, &IoMonitor::timerInputOutput1_Timer);
  f_.cmdIoMonitor.onClick([this] { cmdIoMonitor_Click(); });
  for (int i : f_.imgWhiteIcon.indices())
    f_.imgWhiteIcon(i).onDblClick([this, i] { imgWhiteIcon_DblClick(i); });
  const QList<Control *> lit = lamps();
  for (int row = 2; row < 7; ++row) {
    lit[row]->onDblClick([this, row] { outputLamp_DblClick(row); });
    // The white lamp is the one that takes the focus: Space switches.
    f_.imgWhiteIcon(WhiteIcon[std::size_t(row)]).onKeyPress([this, row](int key) {
      if (key != ' ')
        return key;
      switchOutput(row);
      return 0;
    });
  }
}

void IoMonitor::switchOutput(int row) {
  if (!IoMonitoring || IoStopRequest || row < 2 || row > 6)
    return;
  setOutputToggle(row);
  IoWriteRequest = true;
}

void IoMonitor::nameLamps() {
  const QList<Control *> lit = lamps();
  for (int row = 0; row < 7; ++row) {
    // As the lamp shows it: a monitor that ended leaves them all dark.
    const QString name = m_.msg(lit[row]->isVisible() ? 5343 : 5344).arg(IoSignalName(row));
    const QString hint = IoSignals[std::size_t(row)].input ? QString() : m_.msg(5308);
    for (Control *c : {&f_.imgWhiteIcon(WhiteIcon[std::size_t(row)]), lit[row]}) {
      c->setAccessibleName(name);
      c->setToolTipText(hint);
    }
  }
}

QList<Control *> IoMonitor::lamps() const {
  return {&f_.imgInputStb,  &f_.imgInputStop,  &f_.imgOutputAlm, &f_.imgOutputRdy,
          &f_.imgOutputInp, &f_.imgOutputOut1, &f_.imgOutputOut2};
}

int IoMonitor::lampRow(const Control &c) const {
  const QList<Control *> lit = lamps();
  for (int row = 0; row < 7; ++row)
    if (&c == lit[row] || &c == &f_.imgWhiteIcon(WhiteIcon[std::size_t(row)]))
      return row;
  return -1;
}

bool IoMonitor::isOn(int row) const {
  const IoSignal &s = IoSignals[std::size_t(row)];
  const auto d = std::size_t(s.digit), p = std::size_t(position(s.mask));
  return s.input ? m_.InputBit[d][p] : m_.OutputBit[d][p];
}

qint16 IoMonitor::ReadIoState() {
  link_.Polling = true;
  bool ok = link_.CommTransaction("0RI", 8, {}, 1000) == 0;
  if (ok) {
    link_.BlockStrings[0] = link_.JusinData;
    ok = link_.CommTransaction("0RO", 7, {}, 1000) == 0;
  }
  link_.Polling = false;
  if (!ok) {
    link_.CommPortRelease();
    f_.cmdIoMonitor.setText(m_.msg(702));
    return 1;
  }
  link_.BlockStrings[1] = link_.JusinData;
  // Both words or neither: the lamps never show half a garbled reply.
  const auto in = replies::HexDigits(link_.BlockStrings[0], 3, 3);
  const auto out = replies::HexDigits(link_.BlockStrings[1], 3, 2);
  if (!in || !out) {
    link_.WrongReply(); // releases the port, sets CommError, 384 + 385
    f_.cmdIoMonitor.setText(m_.msg(702));
    return 1;
  }
  for (std::size_t d = 1; d <= 3; ++d)
    setBits(m_.InputBit[d], (*in)[d - 1]);
  for (std::size_t d = 1; d <= 2; ++d)
    setBits(m_.OutputBit[d], (*out)[d - 1]);
  return 0;
}

qint16 IoMonitor::WriteOutputs() {
  QByteArray data;
  for (std::size_t d = 1; d <= 2; ++d) {
    int digit = 0;
    for (const int mask : {8, 4, 2, 1}) {
      const auto p = std::size_t(position(mask));
      if (m_.OutputToggle[d][p]) {
        m_.OutputBit[d][p] = !m_.OutputBit[d][p];
        m_.OutputToggle[d][p] = false;
      }
      if (m_.OutputBit[d][p])
        digit += mask;
    }
    data += QByteArray::number(digit, 16).toUpper();
  }
  if (link_.CommTransaction("0WO", 7, data, 1000) == 1) {
    link_.CommPortRelease();
    return 1;
  }
  if (link_.JusinData.left(5) != "0WO" + data) {
    link_.WrongReply(); // releases the port, sets CommError, 384 + 385
    return 1;
  }
  link_.CommPortRelease();
  return 0;
}

void IoMonitor::cmdIoMonitor_Click() {
  if (!IoMonitoring)
    IoMonitorStart();
  else
    IoMonitorStop();
}

void IoMonitor::IoMonitorStart() {
  IoMonitoring = true;
  timerInputOutput1.start();
  IoModeSet = false;
  f_.cmdIoMonitor.setText(m_.msg(704));
  IoCMDBTN_Muko();
  f_.SSTab1.setTabEnabled(1, false);
  menus_.emplace(f_, QList{CommandLock::Group::Menus});
  f_.mnuFileCompare.setEnabled(true); // two files need no line
  history_.clear();
  firstRead_ = true;
  // The monitor's time starts at its first reading: a slow line's first
  // exchanges are not time it watched.
  run_.invalidate();
}

void IoMonitor::IoMonitorStop() {
  IoStopRequest = true;
  f_.cmdIoMonitor.setText(m_.msg(702));
  IoCMDBTN_Yuko();
  f_.SSTab1.setTabEnabled(1, true);
  menus_.reset();
}

// What must not be used while the monitor runs, in its order.
QList<Control *> IoMonitor::monitorGroup() const {
  return {&f_.cmdFileOpen, &f_.cmdSaveFile, &f_.cmdLoadtoCt, &f_.cmdGetfromCt,
          &f_.cmdDataPrint, &f_.cmdFilePrint, &f_.Frame2, &f_.cmdMOVE, &f_.cmdSTOP,
          &f_.cmdHOME, &f_.Frame1, &f_.cmdRESET};
}

void IoMonitor::IoCMDBTN_Muko() { FrmMain::setAll(monitorGroup(), false); }
void IoMonitor::IoCMDBTN_Yuko() { FrmMain::setAll(monitorGroup(), true); }

void IoMonitor::timerInputOutput1_Timer() {
  // A tick that comes due while the last one waits for a reply is skipped.
  if (inTick_ || !IoMonitoring)
    return;
  inTick_ = true;
  const auto done = qScopeGuard([this] { inTick_ = false; });
  // The program ended during a wait of this tick.
  auto ending = [this] {
    if (!link_.isShutDown())
      return false;
    leaveMonitorMode();
    return true;
  };

  if (!IoModeSet) {
    qint16 mode = 7;
    if (link_.ChangeCommMode(mode) == 1) {
      if (ending())
        return;
      // An error reply leaves the port open; the monitor that never ran must not hold it.
      link_.CommPortRelease();
      IoMonitorStop();
      monitorEnded();
      return;
    }
    IoModeSet = true;
  }
  if (IoStopRequest) {
    timerInputOutput1.stop();
    qint16 mode = 0;
    link_.ChangeCommMode(mode);
    IoModeSet = false;
    link_.CommPortRelease();
    monitorEnded();
    return;
  }
  // A line that is gone has been told once; leaving monitor mode over it
  // would only tell it again. The controller's next command sets its mode.
  auto lost = [this] {
    if (!link_.lineLost())
      return false;
    IoModeSet = false;
    IoMonitorStop();
    monitorEnded();
    return true;
  };
  // A double-click that comes in while the words are read is written on
  // the next tick.
  const bool write = IoWriteRequest;
  if (write && WriteOutputs() == 1) {
    if (ending() || lost())
      return;
    // A failed write has consumed its requests; nothing is left to write.
    IoWriteRequest = false;
  }
  if (ReadIoState() == 1) {
    if (ending() || lost())
      return;
    IoMonitorStop();
    return;
  }
  if (write)
    IoWriteRequest = false;
  IoStateHyoji();
  noteChanges();
  Q_EMIT ticked();
}

void IoMonitor::monitorEnded() {
  if (!firstRead_ && !history_.ended())
    history_.end({run_.elapsed(), link_.lineLost()});
  timerInputOutput1.stop();
  IoMonitoring = false;
  IoStopRequest = false;
  IoWriteRequest = false;
  AllLED_Off();
  Q_EMIT stopped();
}

void IoMonitor::IoStateHyoji() {
  const QList<Control *> lit = lamps();
  for (int row = 0; row < 7; ++row)
    lit[row]->setVisible(isOn(row));
  nameLamps();
}

void IoMonitor::AllLED_Off() {
  for (Control *c : lamps())
    c->setVisible(false);
  nameLamps();
}

void IoMonitor::setOutputToggle(int row) {
  const IoSignal &s = IoSignals[std::size_t(row)];
  m_.OutputToggle[std::size_t(s.digit)][std::size_t(position(s.mask))] = true;
}

void IoMonitor::imgWhiteIcon_DblClick(int index) {
  if (!IoMonitoring || IoStopRequest)
    return;
  for (int row = 2; row < 7; ++row)
    if (WhiteIcon[std::size_t(row)] == index)
      setOutputToggle(row);
  // An input's icon too: the unchanged output image is written.
  IoWriteRequest = true;
}

void IoMonitor::outputLamp_DblClick(int row) {
  if (IoStopRequest || row < 2 || row > 6)
    return;
  setOutputToggle(row);
  IoWriteRequest = true;
}

void IoMonitor::leaveMonitorMode() {
  timerInputOutput1.stop();
  if (IoModeSet) {
    IoModeSet = false;
    link_.LastTransaction("0CM", 6, "0", 5000);
  }
  IoMonitoring = false;
  IoStopRequest = false;
}

void IoMonitor::noteChanges() {
  if (firstRead_)
    run_.start();
  for (int row = 0; row < 7; ++row) {
    const bool on = isOn(row);
    if (firstRead_ || on != shown_[std::size_t(row)])
      history_.append({run_.elapsed(), row, on});
    shown_[std::size_t(row)] = on;
  }
  firstRead_ = false;
}

int IoMonitor::rowOf(const QString &name) {
  for (int row = 0; row < 7; ++row)
    if (name == QLatin1String(IoSignals[std::size_t(row)].name))
      return row;
  return -1;
}

qint16 IoMonitor::saveHistory() {
  return movestats::SaveCsv(dialogs_, m_.messages(), 5147, QStringLiteral("io-history.csv"), historyCsv());
}

QByteArray IoMonitor::historyCsv() const {
  std::array<const char *, IoHistory::Signals> names{};
  for (int row = 0; row < IoHistory::Signals; ++row)
    names[std::size_t(row)] = IoSignals[std::size_t(row)].name;
  return history_.csv(names);
}
