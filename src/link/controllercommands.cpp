#include "controllercommands.h"
#include "commandlock.h"
#include "dialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "replies.h"


ControllerCommands::ControllerCommands(Module1 &m, FrmMain &frmMain, Dialogs &dialogs, Link &link)
    : m_(m), f_(frmMain), dialogs_(dialogs), link_(link) {
  f_.cmdRESET.onClick([this] { cmdRESET_Click(); });
  f_.mnuShowCtversion.onClick([this] { mnuShowCtversion_Click(); });
}

// The whole bracket, not only the buttons: a command started from a menu or
// the parameter page during "0AR" would find the port in use.
CommandLock ControllerCommands::lock() {
  using G = CommandLock::Group;
  return CommandLock(f_, {G::Commands, G::Menus, G::ParameterButtons});
}

qint16 ControllerCommands::cmdRESET_Click() {
  f_.cmdRESET.setEnabled(false);
  const CommandLock locked = lock();
  const qint16 result = link_.AlarmReset();
  if (result == 0) {
    dialogs_.done(m_.told(5111));
    link_.showContact(Link::Contact::Good);
    f_.lblstatus.setText(QString());
  }
  link_.CommPortRelease();
  f_.cmdRESET.setEnabled(true);
  return result;
}

qint16 ControllerCommands::ReadCtVersion() {
  bool replied = link_.CommTransaction("0RV", 11, {}, 5000) == 0;
  const auto v = replies::Version(link_.JusinData);
  // A version is three digits; anything else is a wrong reply, not a version.
  if (replied && !v) {
    link_.WrongReply();
    replied = false;
  }
  if (replied) {
    dialogs_.outcome.controllerVersion = QString::fromLatin1(v->left(1) + "." + v->mid(1, 2));
    link_.controllerVersion = {link_.deviceName(m_.PortNo), dialogs_.outcome.controllerVersion};
    f_.sbStatusBar.setPanelText(0, m_.msg(416) + dialogs_.outcome.controllerVersion);
    link_.CommPortRelease();
    return 0;
  }
  f_.sbStatusBar.setPanelText(0, m_.msg(415));
  if (link_.JusinData.startsWith("0%%")) {
    link_.CommTransaction("0%C", 16, {}, 5000);
  }
  link_.CommPortRelease();
  return 1;
}

qint16 ControllerCommands::mnuShowCtversion_Click() {
  const CommandLock locked = lock();
  qint16 result = 1;
  if (link_.CommPortOpen() == 0 && link_.CommCheck() == 0) {
    result = ReadCtVersion();
    if (result == 1) {
      dialogs_.message(m_.told(71));
    } else {
      const QByteArray v = link_.JusinData.mid(3, 3);
      const QString version = QString::fromLatin1(v.left(1) + "." + v.mid(1, 2));
      dialogs_.message(m_.told(418) + version + m_.told(419));
      dialogs_.done(m_.told(5110).arg(version));
      dialogs_.outcome.values = {{"version", "version", version}};
    }
  }
  // Also after a failed link check, which may leave the port open.
  link_.CommPortRelease();
  return result;
}
