#pragma once
#include "errorlist.h"
#include "messagetable.h"
#include "portdevice.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>

class Dialogs;
class FrmMain;
class SettingsStore;
class QEventLoop;
struct Module1;

// The controller link: the serial port and its receiver, the command
// transaction with its checks, controller errors and the status area.
// One transaction at a time: while one waits, another is refused.
class Link : public QObject {
  Q_OBJECT
public:
  Link(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, SettingsStore &store,
       PortDevice *device = nullptr);

  // The line in use; the link does not own it.
  void setDevice(PortDevice *device);
  PortDevice *device() const { return device_; }
  // The port number open on the line; 0 while it is closed.
  int portInUse() const { return device_ && device_->isOpen() ? openNo_ : 0; }

  // Reply timeouts are real; tests (and kov-t6-cli's --timeout-scale) may
  // shorten or lengthen them all by one factor.
  static void setTimeoutScale(double scale);
  static double timeoutScale();

  // Shared state of the link.
  QByteArray JusinBuffer;
  QByteArray JusinData;
  bool JusinEnd = false;
  bool TimeOutFlag = false;
  bool CommError = false;
  QByteArray ErrJusinData;
  QString ErrNo;
  QString ErrText;
  bool ErrFound = false;
  ErrorList errors;
  // Scratch of the transfers: data strings sent and reply lines received.
  QList<QByteArray> BlockStrings = QList<QByteArray>(100);
  // Where the error lists are read from: the program's folder.
  QString listFolder;

  // The status bar's port panel: the port number in use, what it reaches,
  // and a mark while it is open.
  void showPort();
  // The name of the line in use, shown before the port; none when unset.
  std::function<QString()> lineShown;
  // The operator's name of port `n`: "COM5 — /dev/ttyUSB0 (maker, ...)",
  // without what the system reports about the device unless `withInfo`.
  QString portLabel(int n, bool withInfo = true) const;
  // The device behind port number n as the label names it.
  QString deviceName(int n) const;
  // The line and the version its controller last reported in this run;
  // forgotten when the line drops (another controller may answer after).
  std::pair<QString, QString> controllerVersion;
  // The device or network address port number `n` reaches; empty if none.
  QString portPath(int n) const { return device_ ? device_->devicePath(n) : QString(); }
  bool simulated() const { return device_ && device_->simulated(); }

  qint16 CommPortOpen();
  // Closes the port unless it is held open (PortOccupy) or a transaction is
  // waiting on it: its reply must not be lost, whoever asks.
  void CommPortRelease();
  void CommPortClose();
  void ReloadPortNo();

  // Sends command + data + CR LF and waits for a reply of `expectedLength`
  // characters (CR LF included) within `timeoutMs` (scaled). 0: the reply is
  // in JusinData; 1: failed, and the operator has been told.
  qint16 CommTransaction(const QByteArray &command, int expectedLength, const QByteArray &data,
                         int timeoutMs);
  qint16 CommCheck();
  // A reply of the right form whose data are wrong: the port is released,
  // CommError set, and messages 384 and 385 shown, joined by `separator`.
  void WrongReply(const QString &separator = QStringLiteral("\r\n"));
  qint16 ChangeCommMode(qint16 &mode);

  // The status lamp: grey until a reply tells the controller's state, green
  // after a good reply, red after an error reply. A lost line turns green
  // grey again; an alarm stays red until it is reset.
  enum class Contact { None, Good, Alarm, Lost };
  void showContact(Contact c);
  Contact contact() const { return contact_; }
  // The last exchange found no line: the port did not open, went away, or
  // nothing answered.
  bool lineLost() const { return lineLost_; }

  void Get_ErrorList();
  void ErrorCheck();
  qint16 ReadCtStatus();
  qint16 AlarmReset();

  // A transaction is waiting for its reply.
  bool waiting() const { return waitLoop_ != nullptr; }
  // Transactions asked for while another waited, and so refused: each is a
  // control that should have been disabled.
  int nestedRefusals() const { return nestedRefusals_; }

  // The program is ending: a wait in progress ends at once, the port is
  // closed, and no further transaction starts.
  void shutdown();
  bool isShutDown() const { return shutDown_; }
  // Once, after the shutdown: the one command that leaves the controller as
  // the program found it (out of monitor mode); the port closes after it.
  qint16 LastTransaction(const QByteArray &command, int expectedLength, const QByteArray &data,
                         int timeoutMs);
  // An error reply that a command hands to ErrorCheck itself: a reply of its
  // own for telling a missing list once per reply.
  void ReportErrorReply(const QByteArray &reply);

  // What crosses the line, for a log: the lines each way, and the
  // outcomes that spoil an exchange. Nobody listening costs nothing.
  // Lost: the line went away (the line: why, when known); Reconnected: it
  // opened again after that (the line: its address).
  enum class Traffic { Sent, Received, Timeout, WrongLength, WrongEcho, ErrorReply, Lost, Reconnected };
  // The exchanges now running are a periodic poll (status, the monitor's words).
  bool Polling = false;

Q_SIGNALS:
  // shutdown() has run: waits of the commands end too.
  void ended();
  void traffic(Link::Traffic kind, const QByteArray &line, bool polling);
  // The controller reported an alarm: its error key and the list's text.
  void alarmed(const QString &key, const QString &text);

private:
  void receive();
  void portVanished();
  // Sleeps until a line, the reply timeout, a vanished port or shutdown;
  // not at all on a line that is already closed.
  void waitForReply();
  // The line went away while the running command used it: the command ends
  // with the lost-line message and the server's reason, once.
  void tellLineLost();
  // The line dropped during the command now running.
  bool droppedInCommand() const;
  void armTimer();
  bool controllerError();
  void checkExchange(const Told &outcome);
  QString msg(int n) const;

  Module1 &m_;
  FrmMain &f_;
  Dialogs &dialogs_;
  SettingsStore &store_;
  PortDevice *device_ = nullptr;
  int openNo_ = 0;
  QTimer TimerTimeout;
  QEventLoop *waitLoop_ = nullptr;
  bool vanished_ = false; // during the exchange in flight
  bool lineLost_ = false;
  // What arrived since the last command line went out that no good reply
  // took: a server's last words before it closed the connection.
  QByteArray heard_;
  // The line went away and has not opened since; why, when known.
  bool dropped_ = false;
  QString dropReason_;
  // Commands counted as they start; the last one to use the line, the one
  // a drop fell in, and the one told of a lost line (0: none).
  quint64 commandSerial_ = 0, usedIn_ = 0, droppedIn_ = 0, lostToldIn_ = 0;
  bool shutDown_ = false;
  bool lastUsed_ = false;
  int nestedRefusals_ = 0;
  Contact contact_ = Contact::None;
  int timeoutMs_ = 1000; // of the exchange in flight
  // Error replies received so far, and the one whose missing list was last
  // reported: one report per reply.
  quint64 errorReplies_ = 0;
  quint64 missingReportedFor_ = 0;
  quint64 alarmedFor_ = 0;
};
