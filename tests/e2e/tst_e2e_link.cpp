// The link through a real QSerialPort on a pseudo-terminal served by kov-sim.
#include "controllercommands.h"
#include "fakedialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "serialportdevice.h"
#include "settingsstore.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Timeout = u"Communication timeout error!\r\n\r\nCheck the followings;\r\n\r\n"
                        " 1.Power ON for controller?\r\n\r\n 2.Communication cables are connected?"_qs;
}

class tst_E2eLink : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void cleanup();
  void statusRead();
  void versionQuery();
  void timeout();
  void simulatorGoneThenBack();

private:
  // Starts kov-sim serving the stable link path; false when it did not come up.
  bool startSim(const QStringList &extra = {});
  void stopSim();
  QStringList simLog() const;

  QTemporaryDir dir_;
  QProcess sim_;
  QString linkPath_;
  QString logPath_;

  FakeDialogs dialogs_;
  Module1 m_;
  FrmMain f_;
  SettingsStore store_;
  SerialPortDevice port_;
  Link link_{m_, f_, dialogs_, store_, &port_};
  ControllerCommands commands_{m_, f_, dialogs_, link_};
};

void tst_E2eLink::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  // Long enough for a loaded machine to answer, short enough for a test.
  Link::setTimeoutScale(0.1);
  linkPath_ = dir_.filePath("ztkov");
  logPath_ = dir_.filePath("wire.log");
  m_.Languege = 2;
  m_.LangBase = 10000;
  m_.PortNo = 3;
  m_.PortOccupy = true;
  port_.portMap().setOverride(3, linkPath_);
  link_.Get_ErrorList();
}

void tst_E2eLink::cleanup() {
  link_.CommPortClose();
  stopSim();
  dialogs_.shown.clear();
}

bool tst_E2eLink::startSim(const QStringList &extra) {
  QFile::remove(logPath_);
  sim_.start(QStringLiteral(KOV_SIM_PATH),
             QStringList{"--link", linkPath_, "--log", logPath_} + extra);
  return sim_.waitForStarted(5000) && sim_.waitForReadyRead(5000) &&
         QFileInfo(linkPath_).exists();
}

void tst_E2eLink::stopSim() {
  if (sim_.state() == QProcess::NotRunning)
    return;
  sim_.terminate();
  if (!sim_.waitForFinished(5000))
    sim_.kill();
  sim_.waitForFinished(5000);
}

QStringList tst_E2eLink::simLog() const {
  QFile f(logPath_);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  return QString::fromLatin1(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void tst_E2eLink::statusRead() {
  QVERIFY(startSim());
  QCOMPARE(link_.ReadCtStatus(), qint16(1));
  QCOMPARE(link_.JusinData, QByteArray("0RA1\r\n"));
  QCOMPARE(f_.lblstatus.text(), u" "_qs);
  QVERIFY(dialogs_.shown.isEmpty());
  QTRY_COMPARE(simLog(), QStringList{"0RA"});
}

void tst_E2eLink::versionQuery() {
  QVERIFY(startSim());
  f_.mnuShowCtversion.click();
  QCOMPARE(dialogs_.shown, QStringList{u"The version of this controller is 1.10."_qs});
  QCOMPARE(f_.sbStatusBar.panelText(0), u"The version of C/T is 1.10"_qs);
  QTRY_COMPARE(simLog(), (QStringList{"0CM6", "0RV"}));
}

void tst_E2eLink::timeout() {
  QVERIFY(startSim({"--fault", "0RA:noreply:1"}));
  QCOMPARE(link_.ReadCtStatus(), qint16(-1));
  QCOMPARE(dialogs_.shown, QStringList{Timeout});
  QVERIFY(link_.CommError);
  QCOMPARE(link_.ReadCtStatus(), qint16(1)); // the next one is answered again
}

void tst_E2eLink::simulatorGoneThenBack() {
  QVERIFY(startSim());
  QCOMPARE(link_.ReadCtStatus(), qint16(1));
  QVERIFY(port_.isOpen()); // held open between commands
  sim_.kill();
  sim_.waitForFinished(5000);
  QCOMPARE(link_.ReadCtStatus(), qint16(-1));
  QCOMPARE(dialogs_.shown, QStringList{Timeout});
  QVERIFY(!port_.isOpen());

  // Served again under the same name: the next command reopens by itself.
  dialogs_.shown.clear();
  QVERIFY(startSim());
  QCOMPARE(link_.ReadCtStatus(), qint16(1));
  QVERIFY(dialogs_.shown.isEmpty());

  // Gone while idle: the port closes at once; the next command says why it
  // cannot open.
  sim_.kill();
  sim_.waitForFinished(5000);
  QTRY_VERIFY(!port_.isOpen());
  // A killed simulator leaves its link behind, pointing at a terminal number
  // that another pty may take over: the device is gone with the link.
  QFile::remove(linkPath_);
  QCOMPARE(link_.ReadCtStatus(), qint16(-1));
  QCOMPARE(dialogs_.shown.size(), 1);
  QVERIFY(dialogs_.last().startsWith(u"Failed in opening of a communication port.\r\n"_qs + linkPath_));
}

QTEST_GUILESS_MAIN(tst_E2eLink)
#include "tst_e2e_link.moc"
