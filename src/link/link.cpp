#include "link.h"
#include "datafolder.h"
#include "dialogs.h"
#include "frmmain.h"
#include "module1.h"
#include "replies.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cmath>
#include <utility>

namespace {
double &scaleFactor() {
  static double scale = 1.0;
  return scale;
}
} // namespace

void Link::setTimeoutScale(double scale) { scaleFactor() = scale > 0 ? scale : 1.0; }
double Link::timeoutScale() { return scaleFactor(); }

Link::Link(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, SettingsStore &store,
           PortDevice *device)
    : listFolder(DataFolder()), m_(m), f_(frmMain),
      dialogs_(dialogs), store_(store) {
  TimerTimeout.setSingleShot(true);
  // A coarse timer may end up to 5% early, failing a reply that was in time.
  TimerTimeout.setTimerType(Qt::PreciseTimer);
  connect(&TimerTimeout, &QTimer::timeout, this, [this] {
    // A reply handled in the same pass of the event loop was in time.
    if (JusinEnd)
      return;
    TimeOutFlag = true;
    if (waitLoop_)
      waitLoop_->quit();
  });
  connect(&f_, &FrmMain::commandStarted, this, [this] { ++commandSerial_; });
  setDevice(device);
}

void Link::setDevice(PortDevice *device) {
  if (device_)
    disconnect(device_, nullptr, this, nullptr);
  device_ = device;
  if (device_) {
    connect(device_, &PortDevice::dataArrived, this, &Link::receive);
    connect(device_, &PortDevice::vanished, this, &Link::portVanished);
  }
  showPort();
}

void Link::showPort() {
  if (!device_ || f_.sbStatusBar.panelCount() <= FrmMain::PortPanel)
    return;
  const QString line = lineShown ? lineShown() : QString();
  const QString port = portLabel(m_.PortNo, false);
  f_.sbStatusBar.setPanelText(FrmMain::PortPanel, (device_->isOpen() ? QStringLiteral("● ") : QString()) +
                                                       (line.isEmpty() ? port : msg(5380).arg(line, port)));
}

QString Link::msg(int n) const { return m_.msg(n); }

// --- Port ---------------------------------------------------------------

qint16 Link::CommPortOpen() {
  if (m_.PortNo < 1 || m_.PortNo > 32)
    ReloadPortNo();
  if (device_->isOpen())
    return 0;
  QString reason;
  const bool opened = device_->open(m_.PortNo, &reason);
  openNo_ = m_.PortNo;
  showPort();
  if (opened) {
    if (std::exchange(dropped_, false))
      Q_EMIT traffic(Traffic::Reconnected, portPath(openNo_).toUtf8(), Polling);
    return 0;
  }
  showContact(Contact::Lost);
  Told text = m_.told(109);
  if (!reason.isEmpty())
    text += QStringLiteral("\r\n") + reason;
  // Left in the status line after the box, as a timeout is.
  dialogs_.done({QString(text.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")), text.numbers});
  dialogs_.message(text);
  return 1;
}

void Link::CommPortRelease() {
  if (device_->isOpen() && !m_.PortOccupy && !waitLoop_) {
    device_->close();
    showPort();
  }
}

void Link::CommPortClose() {
  if (device_ && device_->isOpen()) {
    device_->close();
    showPort();
  }
}

void Link::ReloadPortNo() { m_.PortNo = store_.int16(QStringLiteral("PortNo"), 1); }

QString Link::deviceName(int n) const {
  const QString path = device_->simulated() ? msg(5131) : device_->devicePath(n);
  return path.isEmpty() ? msg(5132) : path;
}

QString Link::portLabel(int n, bool withInfo) const {
  const QString info = withInfo ? device_->deviceInfo(n) : QString();
  return msg(5130).arg(n).arg(deviceName(n)) +
         (info.isEmpty() ? QString() : QStringLiteral(" (") + info + u')');
}

// --- Receiver -----------------------------------------------------------

void Link::receive() {
  if (!device_ || !device_->isOpen() || device_->bytesAvailable() == 0)
    return;
  const QByteArray bytes = device_->readAll();
  JusinBuffer += bytes;
  heard_ = (heard_ + bytes).right(400);
  // Only the end of what has arrived is tested: everything up to a read that
  // ends in CR LF is one line.
  if (!JusinBuffer.endsWith("\r\n"))
    return;
  JusinEnd = true;
  JusinData = JusinBuffer;
  JusinBuffer.clear();
  Q_EMIT traffic(Traffic::Received, JusinData.trimmed(), Polling);
  if (JusinData.startsWith("0%%")) {
    Q_EMIT traffic(Traffic::ErrorReply, {}, Polling);
    ErrJusinData = JusinData;
    ++errorReplies_;
    ErrorCheck();
  }
  if (waitLoop_)
    waitLoop_->quit();
}

void Link::portVanished() {
  controllerVersion = {};
  vanished_ = true;
  dropped_ = true;
  dropReason_ = device_->dropReason();
  if (dropReason_.isEmpty())
    dropReason_ = PortDevice::printable(heard_);
  // A command that has not used the line yet connects again by itself.
  if (f_.commandRunning() && usedIn_ == commandSerial_)
    droppedIn_ = commandSerial_;
  Q_EMIT traffic(Traffic::Lost, dropReason_.toUtf8(), Polling);
  showPort();
  showContact(Contact::Lost);
  if (waitLoop_)
    waitLoop_->quit();
}

// --- Transaction ----------------------------------------------------------

void Link::armTimer() {
  TimerTimeout.start(qMax(1, int(std::lround(timeoutMs_ * timeoutScale()))));
}

void Link::waitForReply() {
  if (!JusinEnd && !TimeOutFlag && !shutDown_ && !vanished_ && device_->isOpen()) {
    QEventLoop loop;
    waitLoop_ = &loop;
    loop.exec();
    waitLoop_ = nullptr;
  }
  TimerTimeout.stop();
}

bool Link::droppedInCommand() const {
  return f_.commandRunning() && droppedIn_ == commandSerial_ && !device_->isOpen();
}

void Link::tellLineLost() {
  if (f_.commandRunning())
    lostToldIn_ = commandSerial_;
  showContact(Contact::Lost);
  CommError = true;
  const Told lost = m_.told(5345).arg(portLabel(openNo_, false));
  dialogs_.done(lost); // outlasts the box
  dialogs_.message(dropReason_.isEmpty() ? lost : lost + QStringLiteral("\r\n") + dropReason_);
}

qint16 Link::CommTransaction(const QByteArray &command, int expectedLength,
                             const QByteArray &data, int timeoutMs) {
  if (waitLoop_)
    ++nestedRefusals_;
  if (shutDown_ || waitLoop_ || !device_)
    return 1; // never inside another transaction's wait
  // Healing a drop silently would hide that the command's earlier steps
  // may not all have reached the controller: this command ends, the next
  // one connects again.
  if (droppedInCommand()) {
    if (lostToldIn_ != commandSerial_)
      tellLineLost();
    return 1;
  }
  if (CommPortOpen() == 1)
    return 1;
  if (f_.commandRunning())
    usedIn_ = commandSerial_;
  vanished_ = false;
  heard_.clear();
  CommError = false;
  TimeOutFlag = false;
  timeoutMs_ = timeoutMs;
  armTimer();
  JusinBuffer.clear();
  const QByteArray line = command + data;
  const QByteArray code = line.left(3);
  JusinEnd = false;
  device_->write(line + "\r\n");
  Q_EMIT traffic(Traffic::Sent, line, Polling);
  waitForReply();
  if (shutDown_)
    return 1;
  const bool good = JusinEnd && JusinData.left(3) == code && JusinData.size() == expectedLength;
  if (!good && (vanished_ || !device_->isOpen())) {
    tellLineLost();
    return 1;
  }

  if (TimeOutFlag) {
    Q_EMIT traffic(Traffic::Timeout, {}, Polling);
    showContact(Contact::Lost);
    CommError = true;
    CommPortRelease();
    const QString twoLines = QStringLiteral("\r\n\r\n");
    dialogs_.done(m_.told(100)); // outlasts the box
    dialogs_.message(m_.told(100) + twoLines + m_.told(101) + twoLines + m_.told(102) + twoLines + m_.told(103));
    return 1;
  }
  if (controllerError())
    return 1;
  if (good) {
    heard_.clear();
    f_.lblstatus.setText(QStringLiteral(" "));
    showContact(Contact::Good);
    return 0;
  }
  Q_EMIT traffic(JusinData.left(3) == code ? Traffic::WrongLength : Traffic::WrongEcho, {}, Polling);
  if (JusinData.left(3) == code)
    checkExchange(m_.told({105, 106}));
  else
    checkExchange(m_.told(104));
  return 1;
}

// After a malformed reply: ask "0CM6" to learn whether the controller is in error.
void Link::checkExchange(const Told &outcome) {
  TimeOutFlag = false;
  armTimer();
  JusinBuffer.clear();
  JusinEnd = false;
  if (device_->isOpen()) {
    device_->write("0CM6\r\n");
    Q_EMIT traffic(Traffic::Sent, "0CM6", Polling);
  }
  waitForReply();
  if (shutDown_)
    return;
  if (vanished_ || !device_->isOpen()) {
    tellLineLost();
    return;
  }
  if (controllerError())
    return;
  CommPortRelease();
  CommError = true;
  dialogs_.message(outcome);
}

// Shows an error reply in JusinData; false when the reply is none.
bool Link::controllerError() {
  if (!JusinData.startsWith("0%%"))
    return false;
  ErrorCheck();
  Told text = m_.told(104) + QStringLiteral("\r\n");
  if (ErrFound) {
    text += QStringLiteral("Error No.") + ErrNo + QStringLiteral("\r\n[") + ErrText +
            QStringLiteral("]");
  } else {
    // An unlisted key says so, with the code as received, rather than
    // repeating the text of an earlier error.
    text += QStringLiteral("[") + msg(32) + QStringLiteral("] ") +
            QString::fromLatin1(ErrorList::Code(JusinData));
  }
  dialogs_.message(text);
  return true;
}

void Link::WrongReply(const QString &separator) {
  CommPortRelease();
  CommError = true;
  dialogs_.message(m_.told(384) + separator + m_.told(385));
}

qint16 Link::CommCheck() {
  return CommTransaction("0CM", 6, "6", 2000) == 1 ? 1 : 0;
}

qint16 Link::ChangeCommMode(qint16 &mode) {
  if (mode < 0 || mode >= 8)
    mode = 0;
  return CommTransaction("0CM", 6, QByteArray::number(mode), 5000) != 0 ? 1 : 0;
}

void Link::shutdown() {
  shutDown_ = true;
  if (waitLoop_)
    waitLoop_->quit();
  CommPortClose();
  Q_EMIT ended();
}

qint16 Link::LastTransaction(const QByteArray &command, int expectedLength, const QByteArray &data,
                             int timeoutMs) {
  if (!shutDown_ || lastUsed_ || waitLoop_)
    return 1;
  lastUsed_ = true;
  shutDown_ = false;
  const qint16 result = CommTransaction(command, expectedLength, data, timeoutMs);
  shutDown_ = true;
  CommPortClose();
  return result;
}

void Link::ReportErrorReply(const QByteArray &reply) {
  ErrJusinData = reply;
  ++errorReplies_;
  ErrorCheck();
}

// --- Errors and status ----------------------------------------------------

void Link::showContact(Contact c) {
  lineLost_ = c == Contact::Lost;
  // Without contact there is nothing to lose; an alarm is the last thing
  // the controller said and stays until reset.
  if (c == Contact::Lost && contact_ != Contact::Good && contact_ != Contact::Lost)
    return;
  contact_ = c;
  const bool unknown = c == Contact::None || c == Contact::Lost;
  f_.imgAlarmUnknown.setVisible(unknown);
  f_.imgAlarmGreen.setVisible(c == Contact::Good);
  f_.imgAlarmLed.setVisible(c == Contact::Alarm);
  f_.imgAlarmUnknown.setToolTipText(unknown ? msg(c == Contact::None ? 5214 : 5215) : QString());
}

void Link::Get_ErrorList() {
  const QString path = listFolder + QStringLiteral("/") + msg(120);
  errors.ErrListMissing = !errors.load(path);
  if (errors.ErrListMissing)
    dialogs_.message(m_.told({30, 31}));
}

void Link::ErrorCheck() {
  ErrFound = false;
  if (errors.ErrListMissing) {
    // The receiver and the transaction both look at one reply: tell once.
    if (missingReportedFor_ != errorReplies_ || errorReplies_ == 0) {
      missingReportedFor_ = errorReplies_;
      dialogs_.message(m_.told({30, 31}));
    }
    return;
  }
  const QString key = replies::ErrorKey(ErrJusinData);
  showContact(Contact::Alarm);
  if (const ErrorList::Entry *e = errors.find(key)) {
    ErrNo = key;
    ErrText = e->text;
    f_.lblstatus.setText(e->text);
    ErrFound = true;
  } else {
    f_.lblstatus.setText(msg(32));
  }
  // Both the receiver and the transaction look at one reply: it alarmed once.
  if (alarmedFor_ != errorReplies_ || errorReplies_ == 0) {
    alarmedFor_ = errorReplies_;
    Q_EMIT alarmed(key, f_.lblstatus.text());
  }
}

qint16 Link::ReadCtStatus() {
  if (CommTransaction("0RA", 6, {}, 2000) == 1)
    return -1;
  if (const auto status = replies::Status(JusinData))
    return *status;
  // No status digit: the operator learns why before the caller gives up.
  WrongReply();
  return -1;
}

qint16 Link::AlarmReset() {
  return CommTransaction("0AR", 5, {}, 2000) == 1 ? 1 : 0;
}
