#include "commlog.h"
#include "controllercommands.h"
#include "hexpad.h"
#include "linkrig.h"
#include "portmap.h"
#include "scripteddevice.h"
#include "simportdevice.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Chunks = QList<QByteArray>;
using Answers = QList<Chunks>;

namespace {
const QString Timeout = u"Communication timeout error!\r\n\r\nCheck the followings;\r\n\r\n"
                        " 1.Power ON for controller?\r\n\r\n 2.Communication cables are connected?"_qs;
const QString Length = u"Communication data length error occurs!\r\nLength of data is wrong."_qs;
const QString NoEcho = u"Communication error occurs!"_qs;
const QString WrongData = u"Communication error occurs!\r\ntransmit data is wrong"_qs;
const QString NoList = u"No error list file.\r\nTo indicate error contents,install Error list in "
                       "same folder as program file."_qs;

// Answers written as "0C|M6\r\n;0CM6\r\n": ';' between writes, '|' between reads.
Answers script(const QString &s) {
  Answers out;
  if (s.isEmpty())
    return out;
  for (const QString &answer : s.split(u';')) {
    Chunks chunks;
    for (const QString &chunk : answer.split(u'|'))
      chunks << chunk.toLatin1().replace("\\r", "\r").replace("\\n", "\n");
    out << chunks;
  }
  return out;
}
} // namespace

// One main window, its link and a scripted line, in English.
struct Rig : LinkRig<ScriptedDevice> {
  ControllerCommands commands{m, f, dialogs, link};

  Rig() { link.Get_ErrorList(); }
};

class tst_Link : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void init();
  void commLog_data();
  void commLog();
  void commLogKeepsTheLast();
  void againstTheSimulator_data();
  void againstTheSimulator();
  void receiverAssemblesLines();
  void errorLineBetweenTransactions();
  void portThatCannotOpen();
  void portNumberOutOfRangeIsReloaded();
  void portOccupy_data();
  void portOccupy();
  void scanPorts();
  void reentrantTransactionRefused();
  void noReleaseDuringAWait();
  void replyJustInsideTheTimeout_data();
  void replyJustInsideTheTimeout();
  void vanishedPortFailsThenReopens();
  void statusLamp_data();
  void statusLamp();
  void shutdownEndsTheWait();
  void readCtStatus_data();
  void readCtStatus();
  void changeCommMode();
  void hexPad_data();
  void hexPad();
  void errorList_data();
  void errorList();
  void shortErrorReply();
  void missingListToldOncePerReply();
  void alarmReset_data();
  void alarmReset();
  void versionQuery_data();
  void versionQuery();
  void portMap_data();
  void portMap();

private:
  QTemporaryDir dir_;
};

void tst_Link::initTestCase() {
  QVERIFY(dir_.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  Link::setTimeoutScale(0.01);
}

void tst_Link::init() {
  QSettings(QSettings::IniFormat, QSettings::UserScope, "KOV-T6", "KOV-T6").clear();
}

void tst_Link::againstTheSimulator_data() {
  QTest::addColumn<QStringList>("faults"); // CODE:KIND, as kov-sim takes them
  QTest::addColumn<QByteArray>("errorKey");
  QTest::addColumn<int>("result");
  QTest::addColumn<QList<QByteArray>>("wire");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<bool>("commError");
  using W = QList<QByteArray>;
  const W once{"0RA"}, checked{"0RA", "0CM6"};
  QTest::newRow("good") << QStringList() << QByteArray() << 0 << once << QStringList() << false;
  QTest::newRow("split over reads") << QStringList{"0RA:split"} << QByteArray() << 0 << once
                                    << QStringList() << false;
  QTest::newRow("seven characters") << QStringList{"0RA:length"} << QByteArray() << 1 << checked
                                    << QStringList{Length} << true;
  QTest::newRow("two lines in one read") << QStringList{"0RA:twolines"} << QByteArray() << 1
                                         << checked << QStringList{Length} << true;
  QTest::newRow("no echo") << QStringList{"0RA:echo"} << QByteArray() << 1 << checked
                           << QStringList{NoEcho} << true;
  QTest::newRow("error, key listed")
      << QStringList{"0RA:error"} << QByteArray("12") << 1 << once
      << QStringList{u"Communication error occurs!\r\nError No.12\r\n[Overload]"_qs} << false;
  QTest::newRow("error, key not listed")
      << QStringList{"0RA:error"} << QByteArray("99") << 1 << once
      << QStringList{u"Communication error occurs!\r\n[No error information in the error List] 909"_qs}
      << false;
  QTest::newRow("no answer") << QStringList{"0RA:noreply"} << QByteArray() << 1 << once
                             << QStringList{Timeout} << true;
  QTest::newRow("no answer to the check either")
      << QStringList{"0RA:length", "0CM:noreply"} << QByteArray() << 1 << checked
      << QStringList{Length} << true;
  QTest::newRow("check reveals an error")
      << QStringList{"0RA:length", "0CM:error"} << QByteArray("11") << 1 << checked
      << QStringList{u"Communication error occurs!\r\nError No.11\r\n[Overcurrent]"_qs} << false;
}

void tst_Link::againstTheSimulator() {
  QFETCH(QStringList, faults);
  static const QHash<QString, ControllerSim::Fault> kinds{
      {"length", ControllerSim::Fault::WrongLength}, {"echo", ControllerSim::Fault::WrongEcho},
      {"error", ControllerSim::Fault::ErrorReply},   {"noreply", ControllerSim::Fault::NoReply},
      {"split", ControllerSim::Fault::Split},        {"twolines", ControllerSim::Fault::TwoLines}};
  SimPortDevice line;
  for (const QString &f : faults)
    line.sim()->setFault(f.section(u':', 0, 0).toLatin1(), kinds.value(f.section(u':', 1)));
  QFETCH(QByteArray, errorKey);
  if (!errorKey.isEmpty())
    line.sim()->setErrorKey(errorKey);
  Rig r;
  r.m.PortOccupy = false;
  r.link.setDevice(&line);
  r.link.TimeOutMs = 2000;
  QTEST(int(r.link.CommTransaction("0RA", 6, {})), "result");
  QTEST(line.sim()->receivedLines(), "wire");
  QFETCH(QStringList, messages);
  QCOMPARE(r.dialogs.shown, messages);
  // A timeout's own line stays in the status line after its box.
  QCOMPARE(r.dialogs.achieved, messages == QStringList{Timeout} ? QStringList{r.m.msg(100)} : QStringList());
  QTEST(r.link.CommError, "commError");
  // The status area: a good reply clears it, an error reply shows its text;
  // anything else tells nothing of the controller's state.
  QFETCH(int, result);
  const bool error = !errorKey.isEmpty();
  QCOMPARE(r.f.imgAlarmLed.isVisible(), error);
  QCOMPARE(r.f.imgAlarmGreen.isVisible(), result == 0);
  QCOMPARE(r.f.imgAlarmUnknown.isVisible(), !error && result != 0);
  if (result == 0)
    QCOMPARE(r.f.lblstatus.text(), u" "_qs);
  // A failed exchange releases the port; a controller error leaves that to the command.
  QCOMPARE(line.isOpen(), !r.link.CommError);
}

void tst_Link::receiverAssemblesLines() {
  Rig r;
  QCOMPARE(r.link.CommPortOpen(), qint16(0));
  r.line.arrive("0R");
  QVERIFY(!r.link.JusinEnd);
  r.line.arrive("A1\r\n");
  QVERIFY(r.link.JusinEnd);
  QCOMPARE(r.link.JusinData, QByteArray("0RA1\r\n"));
  // A read ending inside the next line ends no line; the next one ending in
  // CR LF takes everything as one line.
  r.line.arrive("0RA2\r\n0");
  QCOMPARE(r.link.JusinData, QByteArray("0RA1\r\n"));
  QCOMPARE(r.link.JusinBuffer, QByteArray("0RA2\r\n0"));
  r.line.arrive("RA3\r\n");
  QCOMPARE(r.link.JusinData, QByteArray("0RA2\r\n0RA3\r\n"));
  QVERIFY(r.link.JusinBuffer.isEmpty());
}

void tst_Link::errorLineBetweenTransactions() {
  Rig r;
  r.link.CommPortOpen();
  r.line.arrive("0%%103\r\n");
  QCOMPARE(r.f.lblstatus.text(), u"Overvoltage"_qs);
  QVERIFY(r.f.imgAlarmLed.isVisible());
  QVERIFY(!r.f.imgAlarmGreen.isVisible());
  QVERIFY(r.dialogs.shown.isEmpty());
  QCOMPARE(r.link.ErrNo, u"13"_qs);
}

void tst_Link::portThatCannotOpen() {
  Rig r;
  r.line.openFailure = QStringLiteral("/dev/ttyS0: Permission denied");
  r.link.CommError = true;
  QCOMPARE(r.link.CommTransaction("0RA", 6, {}), qint16(1));
  QVERIFY(r.line.written.isEmpty());
  QCOMPARE(r.dialogs.shown, QStringList{u"Failed in opening of a communication port.\r\n"
                                        "/dev/ttyS0: Permission denied"_qs});
  QVERIFY(r.link.CommError); // left as it was
}

void tst_Link::portNumberOutOfRangeIsReloaded() {
  Rig r;
  r.store.write(QStringLiteral("PortNo"), 5);
  r.m.PortNo = 0;
  r.link.CommPortOpen();
  QCOMPARE(r.line.lastPortNo, 5);
  QCOMPARE(int(r.m.PortNo), 5);
}

void tst_Link::portOccupy_data() {
  QTest::addColumn<bool>("occupy");
  QTest::addColumn<int>("opens");
  QTest::newRow("held") << true << 1;
  QTest::newRow("released") << false << 2;
}

void tst_Link::portOccupy() {
  QFETCH(bool, occupy);
  Rig r;
  r.m.PortOccupy = occupy;
  r.line.answers = script("0RA1\\r\\n;0RA1\\r\\n");
  for (int command = 0; command < 2; ++command) {
    QCOMPARE(r.link.ReadCtStatus(), qint16(1));
    r.link.CommPortRelease(); // the end of each operator command
  }
  QTEST(r.line.opens, "opens");
  QCOMPARE(r.line.isOpen(), occupy);
}

void tst_Link::scanPorts() {
  Rig r;
  r.link.CommPortOpen();
  r.line.openFailure = QStringLiteral("busy");
  r.link.ScanPorts();
  // The open port counts as port 1 and is closed; the rest cannot open.
  QVERIFY(r.link.PortAvailable[1]);
  QVERIFY(!r.link.PortAvailable[2]);
  QVERIFY(!r.link.PortAvailable[32]);
  QVERIFY(!r.line.isOpen());
}

void tst_Link::reentrantTransactionRefused() {
  Rig r;
  qint16 inner = -2;
  QTimer::singleShot(0, &r.link, [&] { inner = r.link.CommTransaction("0AR", 5, {}); });
  r.line.answers = script("");
  QCOMPARE(r.link.ReadCtStatus(), qint16(-1)); // times out
  QCOMPARE(inner, qint16(1));
  QCOMPARE(r.line.written, QList<QByteArray>{"0RA\r\n"});
  QCOMPARE(r.dialogs.shown, QStringList{Timeout});
}

// Whoever asks for a release while a reply is awaited, the port stays open.
void tst_Link::noReleaseDuringAWait() {
  Rig r;
  r.m.PortOccupy = false;
  bool openDuringWait = false;
  QTimer::singleShot(0, &r.link, [&] {
    r.link.CommPortRelease();
    openDuringWait = r.line.isOpen();
    r.line.arrive("0AR\r\n");
  });
  QCOMPARE(r.link.AlarmReset(), qint16(0));
  QVERIFY(openDuringWait);
  QCOMPARE(r.link.nestedRefusals(), 0);
  r.link.CommPortRelease();
  QVERIFY(!r.line.isOpen());
}

// Answers "0RA1" a set time after each write, on a precise timer.
class LateDevice : public ScriptedDevice {
public:
  int delayMs = 0;
  bool write(const QByteArray &data) override {
    written << data;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this] { arrive("0RA1\r\n"); });
    return true;
  }
};

void tst_Link::replyJustInsideTheTimeout_data() {
  QTest::addColumn<double>("scale"); // of the 2000 ms status timeout
  QTest::newRow("100 ms") << 0.05;
  QTest::newRow("200 ms") << 0.1;
  QTest::newRow("400 ms") << 0.2;
}

void tst_Link::replyJustInsideTheTimeout() {
  QFETCH(double, scale);
  FakeDialogs dialogs;
  Module1 m;
  FrmMain f;
  SettingsStore store;
  LateDevice dev;
  Link link{m, f, dialogs, store, &dev};
  dev.delayMs = int(2000 * scale * 0.95);
  Link::setTimeoutScale(scale);
  const qint16 status = link.ReadCtStatus();
  Link::setTimeoutScale(0.01);
  QCOMPARE(status, qint16(1));
  QCOMPARE(dialogs.shown, QStringList());
}

void tst_Link::vanishedPortFailsThenReopens() {
  Rig r;
  r.m.PortOccupy = true;
  r.link.TimeOutMs = 30000; // the vanished line must not wait for the timeout
  QTimer::singleShot(0, &r.line, [&] { r.line.vanish(); });
  QElapsedTimer clock;
  clock.start();
  QCOMPARE(r.link.CommTransaction("0RA", 6, {}), qint16(1));
  QVERIFY(clock.elapsed() < 250);
  QVERIFY(!r.line.isOpen());
  QCOMPARE(r.dialogs.shown, QStringList{Timeout});
  r.line.answers = script("0RA1\\r\\n");
  QCOMPARE(r.link.ReadCtStatus(), qint16(1));
  QCOMPARE(r.line.opens, 2);
}

void tst_Link::statusLamp_data() {
  QTest::addColumn<QStringList>("exchanges"); // reply scripts, one a status read; "vanish" too
  QTest::addColumn<QString>("lamp");
  QTest::addColumn<int>("tip"); // of the grey lamp
  QTest::newRow("before contact") << QStringList() << "grey" << 5214;
  QTest::newRow("no reply before contact") << QStringList{""} << "grey" << 5214;
  QTest::newRow("contact") << QStringList{"0RA1\\r\\n"} << "green" << 0;
  QTest::newRow("contact, then no reply") << QStringList{"0RA1\\r\\n", ""} << "grey" << 5215;
  QTest::newRow("contact, then vanished") << QStringList{"0RA1\\r\\n", "vanish"} << "grey" << 5215;
  QTest::newRow("lost, then contact again") << QStringList{"0RA1\\r\\n", "", "0RA1\\r\\n"}
                                            << "green" << 0;
  QTest::newRow("an alarm outlasts a loss") << QStringList{"0%%101\\r\\n", ""} << "red" << 0;
}

void tst_Link::statusLamp() {
  QFETCH(QStringList, exchanges);
  Rig r;
  r.m.PortOccupy = true;
  r.link.showContact(Link::Contact::None);
  for (const QString &e : exchanges) {
    if (e == u"vanish") {
      r.line.vanish();
      continue;
    }
    r.line.answers = script(e);
    r.link.ReadCtStatus();
  }
  QFETCH(QString, lamp);
  QCOMPARE(r.f.imgAlarmUnknown.isVisible(), lamp == u"grey");
  QCOMPARE(r.f.imgAlarmGreen.isVisible(), lamp == u"green");
  QCOMPARE(r.f.imgAlarmLed.isVisible(), lamp == u"red");
  QFETCH(int, tip);
  QCOMPARE(r.f.imgAlarmUnknown.toolTip, tip ? r.m.msg(tip) : QString());
}

void tst_Link::shutdownEndsTheWait() {
  Rig r;
  r.link.TimeOutMs = 30000;
  QTimer::singleShot(0, &r.link, [&] { r.link.shutdown(); });
  QCOMPARE(r.link.CommTransaction("0RA", 6, {}), qint16(1));
  QVERIFY(r.dialogs.shown.isEmpty());
  QVERIFY(!r.line.isOpen());
  QCOMPARE(r.link.CommTransaction("0RA", 6, {}), qint16(1));
  QCOMPARE(r.line.written.size(), 1);
}

void tst_Link::readCtStatus_data() {
  QTest::addColumn<QString>("answers");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("shown");
  QTest::newRow("moving") << "0RA0\\r\\n" << 0 << QStringList();
  QTest::newRow("stopped") << "0RA2\\r\\n" << 2 << QStringList();
  QTest::newRow("alarm") << "0RA3\\r\\n" << 3 << QStringList();
  // A status that is no digit is a wrong reply, and said so.
  QTest::newRow("unknown digit") << "0RA7\\r\\n" << -1 << QStringList{WrongData};
  QTest::newRow("garbage") << "0RAZ\\r\\n" << -1 << QStringList{WrongData};
  QTest::newRow("no answer") << "" << -1 << QStringList{Timeout};
}

void tst_Link::readCtStatus() {
  QFETCH(QString, answers);
  Rig r;
  r.line.answers = script(answers);
  QTEST(int(r.link.ReadCtStatus()), "status");
  QTEST(r.dialogs.shown, "shown");
  QCOMPARE(r.line.written.first(), QByteArray("0RA\r\n"));
  QCOMPARE(int(r.link.TimeOutMs), 2000);
}

void tst_Link::changeCommMode() {
  Rig r;
  r.line.answers = script("0CM0\\r\\n;0CM7\\r\\n");
  qint16 mode = 9;
  QCOMPARE(r.link.ChangeCommMode(mode), qint16(0));
  QCOMPARE(int(mode), 0);
  mode = 7;
  QCOMPARE(r.link.ChangeCommMode(mode), qint16(0));
  QCOMPARE(r.line.written, (QList<QByteArray>{"0CM0\r\n", "0CM7\r\n"}));
  QCOMPARE(int(r.link.TimeOutMs), 5000);
}

void tst_Link::hexPad_data() {
  QTest::addColumn<bool>("hex");
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("width");
  QTest::addColumn<QByteArray>("text");
  QTest::newRow("hex 255/4") << true << 255 << 4 << QByteArray("00FF");
  QTest::newRow("hex 255/1") << true << 255 << 1 << QByteArray("X");
  QTest::newRow("hex 0/3") << true << 0 << 3 << QByteArray("000");
  QTest::newRow("hex 1500/4") << true << 1500 << 4 << QByteArray("05DC");
  QTest::newRow("dec 123/5") << false << 123 << 5 << QByteArray("00123");
  QTest::newRow("dec -5/4") << false << -5 << 4 << QByteArray("00-5");
  QTest::newRow("dec 123456/5") << false << 123456 << 5 << QByteArray("X");
  QTest::newRow("dec 0/0") << false << 0 << 0 << QByteArray("X");
}

void tst_Link::hexPad() {
  QFETCH(bool, hex);
  QFETCH(int, value);
  QFETCH(int, width);
  QTEST(hex ? HexPad(value, width) : DecPad(value, width), "text");
}

void tst_Link::errorList_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<bool>("missing");
  QTest::addColumn<int>("entries");
  QTest::addColumn<QString>("status"); // shown for the reply 0%%1x2
  QByteArray forty1 = "41\r\n";
  for (int i = 1; i <= 41; ++i)
    forty1 += QStringLiteral("\"%1\",\"Error %1\"\r\n").arg(i, 2, 10, QChar(u'0')).toLatin1();
  QTest::newRow("count 41") << forty1 << true << 40 << "";
  QTest::newRow("count 0") << QByteArray("0\r\n") << false << 0
                           << "No error information in the error List";
  QTest::newRow("fields missing") << QByteArray("3\r\n\"01\",\"A\"\r\n\"12\",\"B\"\r\n") << true << 2 << "";
  QTest::newRow("numeric key") << QByteArray("1\r\n12,\"Twelve\"\r\n") << false << 1 << "Twelve";
  QTest::newRow("no file") << QByteArray() << true << 0 << "";
  // "エラー" as an operator's editor may have saved it.
  QTest::newRow("Shift_JIS") << QByteArray("1\r\n\"12\",\"\x83\x47\x83\x89\x81\x5B\"\r\n") << false
                             << 1 << u"エラー"_qs;
  QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "1\r\n\"12\",\"エラー\"\r\n") << false << 1
                                  << u"エラー"_qs;
  QTest::newRow("UTF-8 without BOM") << QByteArray("1\r\n\"12\",\"エラー\"\r\n") << false << 1
                                     << u"エラー"_qs;
  // A count that is no number from 0 up makes the list damaged, not empty.
  QFile overflow(QFINDTESTDATA("../data/fuzz/errorlist-count-overflow.lst"));
  QVERIFY(overflow.open(QIODevice::ReadOnly));
  QTest::newRow("count beyond any integer") << overflow.readAll() << true << 1 << "";
  QTest::newRow("count not a number") << QByteArray("many\r\n\"01\",\"A\"\r\n") << true << 0 << "";
  QTest::newRow("count negative") << QByteArray("-1\r\n") << true << 0 << "";
  QTest::newRow("larger than any list") << QByteArray("0\r\n") + QByteArray(1 << 20, ' ') << true << 0 << "";
}

void tst_Link::errorList() {
  QFETCH(QByteArray, file);
  QTemporaryDir folder;
  if (!file.isNull()) {
    QFile f(folder.filePath("erroreng.lst"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
  }
  Rig r;
  r.dialogs.shown.clear();
  r.link.listFolder = folder.path();
  r.link.Get_ErrorList();
  QTEST(r.link.errors.ErrListMissing, "missing");
  QTEST(int(r.link.errors.entries.size()), "entries");
  QFETCH(bool, missing);
  QCOMPARE(r.dialogs.shown, missing ? QStringList{NoList} : QStringList());
  r.link.CommPortOpen();
  r.line.arrive("0%%112\r\n");
  QTEST(r.f.lblstatus.text(), "status");
}

// A reply too short for its key: the unknown code is shown without its line end.
void tst_Link::shortErrorReply() {
  Rig r;
  r.line.answers = script("0%%Q\\r\\n");
  QCOMPARE(r.link.CommTransaction("0RA", 6, {}), qint16(1));
  QCOMPARE(r.dialogs.shown,
           QStringList{u"Communication error occurs!\r\n[No error information in the error List] Q"_qs});
  QCOMPARE(r.f.lblstatus.text(), u"No error information in the error List"_qs);
}

void tst_Link::missingListToldOncePerReply() {
  QTemporaryDir empty;
  Rig r;
  r.link.listFolder = empty.path();
  r.link.Get_ErrorList();
  r.dialogs.shown.clear();
  r.line.answers = script("0%%102\\r\\n");
  QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
  QCOMPARE(r.dialogs.shown,
           (QStringList{NoList, u"Communication error occurs!\r\n[No error information in the error List] 102"_qs}));
  QVERIFY(!r.f.imgAlarmLed.isVisible()); // the status area is left alone
}

void tst_Link::alarmReset_data() {
  QTest::addColumn<QString>("answers");
  QTest::addColumn<bool>("red");
  QTest::addColumn<QString>("status");
  QTest::addColumn<int>("messages");
  QTest::newRow("acknowledged") << "0AR\\r\\n" << false << "" << 0;
  QTest::newRow("no controller") << "" << true << "Overload" << 1;
  QTest::newRow("error reply") << "0%%101\\r\\n" << true << "Overcurrent" << 1;
}

void tst_Link::alarmReset() {
  QFETCH(QString, answers);
  Rig r;
  r.link.CommPortOpen();
  r.line.arrive("0%%102\r\n"); // an alarm is showing
  r.line.answers = script(answers);
  r.f.cmdRESET.click();
  QCOMPARE(r.line.written.last(), QByteArray("0AR\r\n"));
  QTEST(r.f.imgAlarmLed.isVisible(), "red");
  QFETCH(bool, red);
  QCOMPARE(r.f.imgAlarmGreen.isVisible(), !red);
  QTEST(r.f.lblstatus.text(), "status");
  QTEST(int(r.dialogs.shown.size()), "messages");
  QVERIFY(r.f.cmdRESET.isEnabled());
  QVERIFY(r.f.cmdLoadtoCt.isEnabled());
}

void tst_Link::versionQuery_data() {
  QTest::addColumn<QString>("answers");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("panel");
  QTest::addColumn<QList<QByteArray>>("written");
  QTest::newRow("ten characters") << "0CM6\\r\\n;0RV210AB\\r\\n;0CM6\\r\\n"
                                  << QStringList{Length, u"Failed to get version information of controller."_qs}
                                  << "No version information"
                                  << QList<QByteArray>{"0CM6\r\n", "0RV\r\n", "0CM6\r\n"};
  QTest::newRow("error reply") << "0CM6\\r\\n;0%%001\\r\\n;0%C12345678901\\r\\n"
                               << QStringList{u"Communication error occurs!\r\nError No.01\r\n[Undefined command]"_qs,
                                              u"Failed to get version information of controller."_qs}
                               << "No version information"
                               << QList<QByteArray>{"0CM6\r\n", "0RV\r\n", "0%C\r\n"};
  QTest::newRow("version not digits") << "0CM6\\r\\n;0RVZ.ZABC\\r\\n"
                                      << QStringList{WrongData, u"Failed to get version information of controller."_qs}
                                      << "No version information"
                                      << QList<QByteArray>{"0CM6\r\n", "0RV\r\n"};
}

void tst_Link::versionQuery() {
  QFETCH(QString, answers);
  Rig r;
  r.m.PortOccupy = false;
  r.line.answers = script(answers);
  r.f.mnuShowCtversion.click();
  QTEST(r.dialogs.shown, "messages");
  QTEST(r.f.sbStatusBar.panelText(0), "panel");
  QTEST(r.line.written, "written");
  QVERIFY(!r.line.isOpen());
  QVERIFY(r.f.mnuCont.isEnabled() && r.f.cmdGetfromCt.isEnabled());
}

void tst_Link::portMap_data() {
  QTest::addColumn<int>("portNo");
  QTest::addColumn<QString>("device"); // relative to the test's folders
  QTest::newRow("COM1 built in") << 1 << "dev/ttyS0";
  QTest::newRow("COM4 built in") << 4 << "dev/ttyS3";
  QTest::newRow("first adapter by its stable name") << 5 << "by-id/usb-FTDI_A-if00-port0";
  QTest::newRow("second adapter") << 6 << "by-id/usb-Prolific_B-port0";
  QTest::newRow("adapter without a stable name") << 7 << "dev/ttyACM0";
  QTest::newRow("no such adapter") << 8 << "";
  QTest::newRow("stored device") << 9 << "/dev/custom9";
  QTest::newRow("command line") << 2 << "/tmp/pty-link";
}

void tst_Link::portMap() {
  QFETCH(int, portNo);
  QFETCH(QString, device);
  QTemporaryDir root;
  QDir(root.path()).mkpath("by-id");
  QDir(root.path()).mkpath("dev");
  for (const char *d : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyACM0"}) {
    QFile f(root.filePath(d));
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  QVERIFY(QFile::link(root.filePath("dev/ttyUSB1"), root.filePath("by-id/usb-FTDI_A-if00-port0")));
  QVERIFY(QFile::link(root.filePath("dev/ttyUSB0"), root.filePath("by-id/usb-Prolific_B-port0")));
  SettingsStore().write(QStringLiteral("Device9"), QStringLiteral("/dev/custom9"));
  PortMap map;
  map.byIdFolder = root.filePath("by-id");
  map.devFolder = root.filePath("dev");
  map.setOverride(2, QStringLiteral("/tmp/pty-link"));
  const QString expected =
      device.isEmpty() || device.startsWith(u'/') ? device : root.filePath(device);
  QCOMPARE(map.devicePath(portNo), expected);

  // Replugged: the first adapter comes back as ttyUSB0, the second as ttyUSB1;
  // each keeps its number.
  if (portNo == 5 || portNo == 6) {
    QFile::remove(root.filePath("by-id/usb-FTDI_A-if00-port0"));
    QFile::remove(root.filePath("by-id/usb-Prolific_B-port0"));
    QFile::link(root.filePath("dev/ttyUSB0"), root.filePath("by-id/usb-FTDI_A-if00-port0"));
    QFile::link(root.filePath("dev/ttyUSB1"), root.filePath("by-id/usb-Prolific_B-port0"));
    QCOMPARE(map.devicePath(portNo), expected);
  }
}

void tst_Link::commLog_data() {
  QTest::addColumn<QByteArray>("answer");
  QTest::addColumn<bool>("polling");
  QTest::addColumn<bool>("hide");
  QTest::addColumn<QStringList>("shown");
  QTest::addColumn<int>("hidden");
  QTest::newRow("answered") << QByteArray("0RA1\r\n") << false << true << QStringList{"-> 0RA", "<- 0RA1"} << 0;
  QTest::newRow("timeout") << QByteArray() << false << true << QStringList{"-> 0RA", "!! timeout"} << 0;
  QTest::newRow("wrong length") << QByteArray("0RA12\r\n") << false << true
                                << QStringList{"-> 0RA", "<- 0RA12", "!! wrong length", "-> 0CM6"} << 0;
  QTest::newRow("error reply") << QByteArray("0%%112\r\n") << false << true
                               << QStringList{"-> 0RA", "<- 0%%112", "!! controller error reply"} << 0;
  QTest::newRow("a poll, hidden") << QByteArray("0RA1\r\n") << true << true << QStringList() << 2;
  QTest::newRow("a poll, shown") << QByteArray("0RA1\r\n") << true << false
                                 << QStringList{"-> 0RA", "<- 0RA1"} << 0;
}

// The log keeps each line with its direction, marks what spoiled an
// exchange, and hides polls when asked; closed, it records nothing.
void tst_Link::commLog() {
  QFETCH(QByteArray, answer);
  QFETCH(bool, polling);
  QFETCH(bool, hide);
  Rig r;
  CommLog log(r.link, r.m.messages());
  r.line.answers = {{"0RA1\r\n"}};
  r.link.ReadCtStatus(); // before it opens: not recorded
  QVERIFY(log.lines().isEmpty());
  log.setRecording(true);
  log.setHidePolling(hide);
  r.line.answers = {answer.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{answer}};
  r.link.Polling = polling;
  r.link.ReadCtStatus();
  r.link.Polling = false;
  QStringList shown;
  for (const QString &l : log.lines())
    shown << l.trimmed().section(u"  "_qs, 1); // without the time
  QTEST(shown, "shown");
  QTEST(log.hidden(), "hidden");
  log.setRecording(false);
  r.line.answers = {{"0RA1\r\n"}};
  r.link.ReadCtStatus();
  QCOMPARE(log.lines().size(), shown.size());
}

void tst_Link::commLogKeepsTheLast() {
  Rig r;
  CommLog log(r.link, r.m.messages());
  log.setRecording(true);
  for (int i = 0; i < CommLog::MaxLines + 5; ++i)
    Q_EMIT r.link.traffic(Link::Traffic::Sent, QByteArray::number(i), false);
  QCOMPARE(log.lines().size(), CommLog::MaxLines);
  QCOMPARE(log.dropped(), 5);
  QVERIFY(log.lines().first().endsWith(u"-> 5"_qs));
}

QTEST_GUILESS_MAIN(tst_Link)
#include "tst_link.moc"
