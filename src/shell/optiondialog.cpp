#include "optiondialog.h"
#include "portmap.h"
#include "portprobe.h"
#include "tcpportdevice.h"
#include "basic.h"
#include "dialogs.h"
#include "frmmain.h"
#include "frmoption.h"
#include "historydb.h"
#include "link.h"
#include "module1.h"
#include "setrescaptions.h"
#include "settingsstore.h"

#include <cerrno>
#include <cmath>
#include <cstring>

OptionDialog::OptionDialog(Module1 &m, FrmMain &frmMain, FrmOption &frmOption, Dialogs &dialogs,
                           Link &link, SettingsStore &store)
    : m_(m), f_(frmMain), o_(frmOption), dialogs_(dialogs), link_(link), store_(store) {
  f_.mnuViewOption.onClick([this] { mnuViewOption_Click(); });
  for (int i : o_.optSutiSyori.indices())
    o_.optSutiSyori(i).onClick([this] { optSutiSyori_Click(); });
  o_.cmdOK.onClick([this] { cmdOK_Click(); });
  o_.cmdCancel.onClick([this] { close(); });
  o_.cmdApply.onClick([this] { close(); });
  o_.cmdRefresh.onClick([this] { ScanIntoList(); });
  o_.cmdAddNetLine.onClick([this] { cmdAddNetLine_Click(); });
  o_.onCloseRequest = [this] { close(); };
  // Enter adds the address typed rather than closing the dialog without it.
  o_.txtNetLine.onKeyPress([this](int key) {
    if (key != 13)
      return key;
    o_.cmdAddNetLine.click();
    return 0;
  });
}

OptionDialog::~OptionDialog() = default;

void OptionDialog::mnuViewOption_Click() {
  Form_Load();
  o_.showModal();
  if (m_.LangChanged)
    dialogs_.message(m_.told({420, 421}));
}

void OptionDialog::Form_Load() {
  const Messages msg = m_.messages();
  o_.SSTabOption.setTabCount(4);
  o_.SSTabOption.setTabEnabled(1, false);
  SetResCaptions(o_, msg);
  o_.SSTabOption.setTabCaption(0, msg.text(2505));
  o_.SSTabOption.setTabCaption(1, msg.text(2507));
  o_.SSTabOption.setTabCaption(2, msg.text(2508));
  o_.SSTabOption.setTabCaption(3, msg.text(5393));
  o_.chkSafeWrite.setChecked(store_.flag(QStringLiteral("SafeWrite"), false));
  o_.txtHistoryDb.setText(store_.text(QStringLiteral("HistoryDatabase")));
  // Each language in its own script, so that a reader of either finds it.
  o_.optLanguege(0).setText(QStringLiteral("日本語"));
  o_.optLanguege(1).setText(QStringLiteral("English"));
  if (m_.PortNo < 1 || m_.PortNo > 32)
    link_.ReloadPortNo();
  ScanIntoList();
  portAtOpening_ = m_.PortNo;
  o_.optDispPos(m_.DispMmUnit ? 0 : 1).setChecked(true);
  // Its click rule sets MmRoundUp to what it already is.
  o_.optSutiSyori(m_.MmRoundUp ? 0 : 1).setChecked(true);
  if (m_.Languege != 1 && m_.Languege != 2)
    m_.Languege = store_.int16(QStringLiteral("Languege"), 1);
  o_.optLanguege(m_.Languege == 1 ? 0 : 1).setChecked(true);
  o_.chkPortOccupy.setChecked(m_.PortOccupy);
  o_.form.left = f_.form.left + 500;
  o_.form.top = f_.form.top + 500;
  o_.lblTyuijikou.setVisible(false);
  o_.framDispUnit.setVisible(false);
}

void OptionDialog::ScanIntoList() {
  dropProbe();
  probe_ = std::make_unique<PortProbe>(*link_.device(), [this](int n) { return m_.msg(n); });
  connect(probe_.get(), &PortProbe::portEnded, this, [this](int n) {
    fillList(PortFromText(o_.comboPortNo.text()));
    if (n == added_)
      tellAdded();
  });
  probe_->start(link_.portInUse());
  fillList(m_.PortNo);
  link_.showPort();
}

bool OptionDialog::listed(int n) const {
  if (!probe_ || n < 1 || n > 32)
    return false;
  const PortProbe::Found f = probe_->result(n).found;
  return f != PortProbe::Found::None && f != PortProbe::Found::Refused;
}

// A serial device as before; a network line with what its probe found.
QString OptionDialog::itemText(int n) const {
  if (probe_->result(n).found == PortProbe::Found::Opens)
    return link_.portLabel(n);
  return link_.portLabel(n) + QStringLiteral(" (") + probe_->describe(n) + u')';
}

void OptionDialog::fillList(int chosen) {
  Control &list = o_.comboPortNo;
  list.clearItems();
  QStringList refused;
  int data = 0;
  for (int n = 1; n <= 32; ++n) {
    if (listed(n))
      list.addItem(itemText(n), data++);
    else if (probe_->result(n).found == PortProbe::Found::Refused)
      refused << link_.portLabel(n) + QStringLiteral(": ") + probe_->result(n).reason;
  }
  list.setText(listed(chosen) ? itemText(chosen) : QString());
  QString problems;
  if (!refused.isEmpty()) {
    problems = m_.msg(5160) + u'\n' + refused.join(u'\n');
    if (refused.join(u'\n').contains(QString::fromLocal8Bit(std::strerror(EACCES))))
      problems += u'\n' + m_.msg(5161);
  }
  o_.lblPortProblems.setText(problems);
  o_.lblPortProblems.setVisible(!problems.isEmpty());
}

int OptionDialog::PortFromText(const QString &text) {
  const double v = Val(text.trimmed().mid(3));
  return v >= 1 && v <= 32 && v == std::floor(v) ? int(v) : -1;
}

void OptionDialog::cmdAddNetLine_Click() {
  const QString url = o_.txtNetLine.text().trimmed();
  if (!TcpPortDevice::isAddress(url)) {
    dialogs_.message(m_.told(5235).arg(url));
    return;
  }
  int n = 0;
  for (int i = 1; i <= 32 && !n; ++i)
    if (link_.portPath(i) == url)
      n = i; // already pinned: chosen again
  for (int i = PortMap::FirstUsbPort; i <= 32 && !n; ++i)
    if (link_.portPath(i).isEmpty())
      n = i;
  if (!n) {
    dialogs_.message(m_.told(5237));
    return;
  }
  store_.write(QStringLiteral("Device%1").arg(n), url);
  o_.txtNetLine.setText(QString());
  added_ = n;
  ScanIntoList();
  o_.comboPortNo.setText(itemText(n));
  tellAdded();
}

void OptionDialog::tellAdded() {
  dialogs_.done(m_.told(5313).arg(added_).arg(link_.portPath(added_)).arg(probe_->describe(added_)));
  if (probe_->result(added_).found != PortProbe::Found::Checking)
    added_ = 0;
}

void OptionDialog::optSutiSyori_Click() { m_.MmRoundUp = o_.optSutiSyori(0).isChecked(); }

bool OptionDialog::takeMemory() {
  // Refused before anything is taken: the dialog stays open as typed.
  const QString history = o_.txtHistoryDb.text().trimmed();
  if (HistoryDb::holdsPassword(history)) {
    o_.SSTabOption.setCurrentTab(3);
    dialogs_.message(m_.told(5397), Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
    return false;
  }
  store_.write(QStringLiteral("SafeWrite"), o_.chkSafeWrite.isChecked() ? 1 : 0);
  store_.write(QStringLiteral("HistoryDatabase"), history);
  return true;
}

void OptionDialog::cmdOK_Click() {
  if (!takeMemory())
    return;
  const int port = PortFromText(o_.comboPortNo.text());
  if (port == -1 && o_.comboPortNo.items().isEmpty()) {
    // Nothing to choose from is no wrong choice: told without a box, so
    // that a language or port-hold change is not met by a port message.
    dialogs_.status(m_.told(110));
  } else if (port == -1) {
    dialogs_.message(m_.told(110));
  } else {
    if (port != m_.PortNo && listed(port))
      m_.PortNo = qint16(port);
    if (m_.PortNo != portAtOpening_)
      link_.CommPortClose();
    m_.PortNo = qint16(port);
    if (m_.PortNo != portAtOpening_)
      Q_EMIT portChanged();
    link_.showPort();
  }
  const qint16 chosen = o_.optLanguege(0).isChecked() ? 1 : 2;
  m_.LangChanged = chosen != m_.Languege;
  m_.PortOccupy = o_.chkPortOccupy.isChecked();
  store_.write(QStringLiteral("PortOccupy"), m_.PortOccupy ? QStringLiteral("1") : QStringLiteral("0"));
  // No longer held: the port is closed as after any command.
  link_.CommPortRelease();
  m_.DispMmUnit = o_.optDispPos(0).isChecked();
  close();
}

// A probe still running is dropped: its lines close now (a server may serve
// one client at a time), the probe later, since this may run in its signals.
void OptionDialog::dropProbe() {
  if (!probe_)
    return;
  probe_->disconnect(this);
  probe_->stop();
  probe_.release()->deleteLater();
}

void OptionDialog::close() {
  dropProbe();
  added_ = 0;
  o_.form.setVisible(false);
}
