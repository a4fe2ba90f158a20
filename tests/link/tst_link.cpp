// The link: its transaction and log against every fault of the line, its
// waits, the status lamp, the error list and the port map.
#include "commandlock.h"
#include "commlog.h"
#include "controllercommands.h"
#include "linkrig.h"
#include "portmap.h"
#include "portprobe.h"
#include "scripteddevice.h"
#include "simportdevice.h"
#ifdef Q_OS_WIN
#include <QSerialPortInfo>
#endif

using Lines = QList<QByteArray>;
using Fault = ControllerSim::Fault;

// Answers separated by ';', each ending in CR LF, '|' between its reads.
static QList<Lines> script(const QString &s) {
  QList<Lines> out;
  for (const QString &answer : s.split(u';', Qt::SkipEmptyParts))
    out << (answer.toLatin1() + "\r\n").split('|');
  return out;
}

// One main window, its link and a scripted line, in English.
struct Rig : LinkRig<ScriptedDevice> {
  ControllerCommands commands{m, f, dialogs, link};
  Rig() { link.Get_ErrorList(); }

  // What a token stands for: the box of "timeout", "length", "echo" or
  // "data"; "error:KEY" the box of a listed error, "code:C" of an unlisted
  // one; "list:KEY" the listed text; a number its message; else itself.
  QString text(const QString &t) {
    const QString gap = u"\r\n\r\n"_qs, arg = t.section(u':', 1);
    bool number = false;
    if (const int n = t.toInt(&number); number)
      return kt::msg(n);
    if (t == u"lost")
      return kt::msg(5345).arg(link.portLabel(m.PortNo, false));
    if (t == u"timeout")
      return kt::msg(100) + gap + kt::msg(101) + gap + kt::msg(102) + gap + kt::msg(103);
    if (t == u"length" || t == u"echo" || t == u"data")
      return t == u"length" ? kt::msg({105, 106}) : t == u"echo" ? kt::msg(104) : kt::msg({384, 385});
    if (t.startsWith(u"error:"))
      return kt::msg(104) + u"\r\nError No."_qs + arg + u"\r\n["_qs + text(u"list:"_qs + arg) + u']';
    if (t.startsWith(u"code:"))
      return kt::msg(104) + u"\r\n["_qs + kt::msg(32) + u"] "_qs + arg;
    const ErrorList::Entry *e = t.startsWith(u"list:") ? link.errors.find(arg) : nullptr;
    return e ? e->text : t;
  }
  QStringList texts(const QStringList &tokens) {
    QStringList out;
    for (const QString &t : tokens)
      out << text(t);
    return out;
  }
  QString lamp() const {
    return f.imgAlarmLed.isVisible() ? u"red"_qs : f.imgAlarmGreen.isVisible() ? u"green"_qs
           : f.imgAlarmUnknown.isVisible() ? u"grey"_qs : u"none"_qs;
  }
};

// Answers `reply` a set time after each write, on a precise timer.
struct LateDevice : ScriptedDevice {
  int delayMs = 0;
  QByteArray reply = "0RA1\r\n";
  bool write(const QByteArray &data) override {
    written << data;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, r = reply] { arrive(r); });
    return true;
  }
};

class tst_Link : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void faults_data() {
    QTest::addColumn<QStringList>("faults"); // CODE:KIND, as kov-sim takes them
    QTest::addColumn<int>("state");          // the controller's status
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("log"); // its lines, '|' between; "!! N": message N
    QTest::addColumn<QString>("box"); // see Rig::text
    QTest::addColumn<QString>("lamp");
    auto row = [](const char *name, const QStringList &faults, int state, int status, const char *log,
                  const char *box, const char *lamp) {
      QTest::newRow(name) << faults << state << status << QString(log) << QString(box) << QString(lamp);
    };
    row("good", {}, 1, 1, "-> 0RA|<- 0RA1", "", "green");
    row("moving", {}, 0, 0, "-> 0RA|<- 0RA0", "", "green");
    row("alarm", {}, 3, 3, "-> 0RA|<- 0RA3", "", "green");
    row("status past the last digit", {}, 4, -1, "-> 0RA|<- 0RA4", "data", "green");
    row("split over reads", {"0RA:split"}, 2, 2, "-> 0RA|<- 0RA2", "", "green");
    row("garbage", {"0RA:garbage"}, 1, -1, "-> 0RA|<- 0RAZ", "data", "green");
    row("wrong length", {"0RA:length"}, 1, -1, "-> 0RA|<- 0RA10|!! 5180|-> 0CM6|<- 0CM6", "length", "grey");
    row("two lines in one read", {"0RA:twolines"}, 1, -1, "-> 0RA|<- 0RA1\r\n0RA1|!! 5180|-> 0CM6|<- 0CM6",
        "length", "grey");
    row("wrong echo", {"0RA:echo"}, 1, -1, "-> 0RA|<- 0XX1|!! 5181|-> 0CM6|<- 0CM6", "echo", "grey");
    row("error, key listed", {"0RA:error"}, 1, -1, "-> 0RA|<- 0%%102|!! 5182", "error:12", "red");
    row("error, key not listed", {"0RA:error"}, 1, -1, "-> 0RA|<- 0%%909|!! 5182", "code:909", "red");
    row("no reply", {"0RA:noreply"}, 1, -1, "-> 0RA|!! 5179", "timeout", "grey");
    row("vanished", {"0RA:vanish"}, 1, -1, "-> 0RA|!! 5326", "lost", "grey");
    row("no reply to the check either", {"0RA:length", "0CM:noreply"}, 1, -1, "-> 0RA|<- 0RA10|!! 5180|-> 0CM6",
        "length", "grey");
    row("check reveals an error", {"0RA:length", "0CM:error"}, 1, -1,
        "-> 0RA|<- 0RA10|!! 5180|-> 0CM6|<- 0%%101|!! 5182", "error:11", "red");
  }

  // The in-process controller spoils its reply: the log marks what spoiled
  // it, the operator is told the right thing once, and only a failed
  // exchange releases the port.
  void faults() {
    QFETCH(QStringList, faults);
    QFETCH(int, state);
    QFETCH(QString, log);
    QFETCH(QString, box);
    static const QHash<QString, Fault> kinds{
        {"length", Fault::WrongLength}, {"echo", Fault::WrongEcho}, {"error", Fault::ErrorReply},
        {"noreply", Fault::NoReply},    {"split", Fault::Split},    {"twolines", Fault::TwoLines},
        {"garbage", Fault::Garbage},    {"vanish", Fault::Vanish}};
    SimPortDevice line;
    for (const QString &f : faults)
      line.sim()->setFault(f.section(u':', 0, 0).toLatin1(), kinds.value(f.section(u':', 1)));
    const QByteArray code = box.section(u':', 1).toLatin1(); // the key, or its code
    line.sim()->setErrorKey(code.size() == 3 ? code.left(1) + code.right(1) : code);
    line.sim()->setStatus(state);
    Rig r;
    r.m.PortOccupy = false;
    r.link.setDevice(&line);
    CommLog commLog(r.link, r.m.messages());
    commLog.setRecording(true);
    QTEST(int(r.link.ReadCtStatus()), "status");
    QStringList logged;
    for (const QString &l : commLog.lines())
      logged << l.trimmed().section(u"  "_qs, 1); // without the time
    for (int n : {5179, 5180, 5181, 5182, 5326})
      log.replace(u"!! "_qs + QString::number(n), u"!! "_qs + kt::msg(n));
    QCOMPARE(logged.join(u'|'), log);
    QCOMPARE(r.dialogs.shown, box.isEmpty() ? QStringList() : QStringList{r.text(box)});
    // A timeout's or a lost line's own line stays in the status line after its box.
    QCOMPARE(r.dialogs.achieved, box == u"timeout" ? QStringList{kt::msg(100)}
                                 : box == u"lost"  ? QStringList{r.text(box)}
                                                   : QStringList());
    QTEST(r.lamp(), "lamp");
    if (box.isEmpty())
      QCOMPARE(r.f.lblstatus.text(), u" "_qs);
    const bool linkFailed = !box.isEmpty() && !box.contains(u':');
    QCOMPARE(r.link.CommError, linkFailed);
    QCOMPARE(line.isOpen(), !linkFailed); // an error reply leaves that to the command
  }

  // A port number outside 1 to 32 falls back to the stored one.
  void portNumbers() {
    kt::settings({{"PortNo", "5"}});
    for (const auto &[asked, opened] : {std::pair{1, 1}, {32, 32}, {0, 5}, {33, 5}}) {
      LinkRig<ScriptedDevice> r;
      r.m.PortNo = qint16(asked);
      QCOMPARE(r.link.CommPortOpen(), qint16(0));
      QCOMPARE(r.line.lastPortNo, opened);
      QCOMPARE(r.link.portInUse(), opened);
    }
  }

  // A reply after the timeout fails its command and is not taken for the
  // next command's.
  void lateReply() {
    for (const auto &[share, status] : {std::pair{0.8, 1}, {1.25, -1}}) { // of the status read's 2 s
      LinkRig<LateDevice> r;
      Link::setTimeoutScale(0.1);
      r.line.delayMs = int(2000 * 0.1 * share);
      QCOMPARE(int(r.link.ReadCtStatus()), status);
      QCOMPARE(r.dialogs.shown.size(), status < 0 ? 1 : 0);
      QTRY_VERIFY(r.link.JusinEnd); // the late one has come in meanwhile
      r.line.delayMs = 0;
      r.line.reply = "0RA2\r\n";
      QCOMPARE(r.link.ReadCtStatus(), qint16(2));
    }
  }

  void commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answers"); // see script()
    QTest::addColumn<int>("result");
    QTest::addColumn<Lines>("written");
    QTest::addColumn<QStringList>("shown"); // see Rig::text
    QTest::addColumn<QString>("lamp");      // "*": any
    QTest::addColumn<QString>("line");      // the status line, see Rig::text; "*": any
    auto row = [](const char *name, const char *command, const char *answers, int result, const Lines &written,
                  const QStringList &shown, const char *lamp = "*", const char *line = "*") {
      QTest::newRow(name) << QString(command) << QString(answers) << result << written << shown << QString(lamp)
                          << QString(line);
    };
    row("reset acknowledged", "reset", "0AR", 0, {"0AR"}, {}, "green", "");
    row("reset, no controller", "reset", "", 1, {"0AR"}, {"timeout"}, "red", "list:12");
    row("reset, error reply", "reset", "0%%101", 1, {"0AR"}, {"error:11"}, "red", "list:11");
    row("error reply too short for its key", "status", "0%%Q", -1, {"0RA"}, {"code:Q"}, "red", "32");
    row("version, check unanswered", "version", "", 1, {"0CM6"}, {"timeout"});
    row("version in ten characters", "version", "0CM6;0RV210AB;0CM6", 1, {"0CM6", "0RV", "0CM6"}, {"length", "71"});
    // The error's details are asked for after it.
    row("version, error reply", "version", "0CM6;0%%001;0%C12345678901", 1, {"0CM6", "0RV", "0%C"},
        {"error:01", "71"});
    row("version not digits", "version", "0CM6;0RVZ.ZABC", 1, {"0CM6", "0RV"}, {"data", "71"});
    row("no such mode: the normal one", "mode 8", "0CM0", 0, {"0CM0"}, {}, "green", " ");
  }

  // Each operator command with an alarm showing: what goes out, what the
  // operator is told, and the controls given back.
  void commands() {
    QFETCH(QString, command);
    QFETCH(QString, answers);
    QFETCH(Lines, written);
    QFETCH(QStringList, shown);
    QFETCH(QString, lamp);
    QFETCH(QString, line);
    Rig r;
    r.m.PortOccupy = false;
    r.link.CommPortOpen();
    r.line.arrive("0%%102\r\n");
    r.line.answers = script(answers);
    qint16 mode = 8;
    bool locked = true; // every line of an operator command goes out with the reset locked
    connect(&r.link, &Link::traffic, this, [&](Link::Traffic kind) {
      locked = locked && (kind != Link::Traffic::Sent || !r.f.cmdRESET.isEnabled());
    });
    QTEST(int(command == u"reset"     ? r.commands.cmdRESET_Click()
              : command == u"version" ? r.commands.mnuShowCtversion_Click()
              : command == u"status"  ? r.link.ReadCtStatus()
                                      : r.link.ChangeCommMode(mode)), "result");
    for (QByteArray &w : written)
      w += "\r\n";
    QCOMPARE(r.line.written, written);
    QCOMPARE(r.dialogs.shown, r.texts(shown));
    if (lamp != u"*")
      QCOMPARE(r.lamp(), lamp);
    if (line != u"*")
      QCOMPARE(r.f.lblstatus.text(), r.text(line));
    if (command == u"version" && written.size() > 1)
      QCOMPARE(r.f.sbStatusBar.panelText(0), kt::msg(415));
    QCOMPARE(r.line.isOpen(), command == u"status" || command == u"mode 8");
    QVERIFY(r.f.cmdRESET.isEnabled() && r.f.cmdLoadtoCt.isEnabled() && r.f.mnuCont.isEnabled());
    QVERIFY(locked || command == u"status" || command.startsWith(u"mode"));
  }

  // A line ends only where a read ends in CR LF; an error line between
  // commands shows in the status area without a box.
  void receiver() {
    Rig r;
    QCOMPARE(r.link.CommPortOpen(), qint16(0));
    r.line.arrive("0RA1\r\n");
    r.line.arrive("0RA2\r\n0");
    QCOMPARE(r.link.JusinData, QByteArray("0RA1\r\n"));
    r.line.arrive("RA3\r\n");
    QCOMPARE(r.link.JusinData, QByteArray("0RA2\r\n0RA3\r\n"));
    r.line.arrive("0%%103\r\n");
    QCOMPARE(r.f.lblstatus.text(), r.text("list:13"));
    QVERIFY(r.lamp() == u"red" && r.dialogs.shown.isEmpty());
  }

  // A port that cannot open says why, sends nothing and leaves the link's
  // state; a scan leaves the open port as it is; PortOccupy holds.
  void ports() {
    Rig r;
    r.store.write(QStringLiteral("PortNo"), 5);
    r.m.PortNo = 0; // out of range: the stored number is used
    r.line.openFailure = QStringLiteral("/dev/ttyS4: Permission denied");
    r.link.CommError = true;
    QCOMPARE(r.link.CommTransaction("0RA", 6, {}, 1000), qint16(1));
    QCOMPARE(r.line.lastPortNo, 5);
    QVERIFY(r.line.written.isEmpty() && r.link.CommError);
    QCOMPARE(r.dialogs.shown, QStringList{kt::msg(109) + u"\r\n"_qs + r.line.openFailure});
    r.line.openFailure.clear();
    r.link.CommPortOpen();
    r.line.openFailure = QStringLiteral("busy");
    PortProbe probe(r.line, [](int n) { return kt::msg(n); });
    probe.start(r.link.portInUse());
    QVERIFY(probe.result(5).found == PortProbe::Found::Opens && probe.result(1).found == PortProbe::Found::None);
    QVERIFY(r.line.isOpen() && r.line.opens == 1 && !probe.running());
    r.line.openFailure.clear();
    for (const bool occupy : {true, false}) { // held open between commands, or opened for each
      r.m.PortOccupy = occupy;
      r.link.CommPortClose();
      r.line.opens = 0;
      r.line.answers = script("0RA1;0RA1");
      for (int command = 0; command < 2; ++command) {
        QCOMPARE(r.link.ReadCtStatus(), qint16(1));
        r.link.CommPortRelease(); // the end of each operator command
      }
      QVERIFY(r.line.opens == (occupy ? 1 : 2) && r.line.isOpen() == occupy);
    }
  }

  // During a wait no other transaction starts and no release closes the port.
  void duringAWait() {
    Rig r;
    r.m.PortOccupy = false;
    qint16 inner = -2;
    bool openDuringWait = false;
    QTimer::singleShot(0, &r.link, [&] {
      inner = r.link.CommTransaction("0RA", 6, {}, 1000);
      r.link.CommPortRelease();
      openDuringWait = r.line.isOpen();
      r.line.arrive("0AR\r\n");
    });
    QCOMPARE(r.link.AlarmReset(), qint16(0));
    QCOMPARE(inner, qint16(1));
    QCOMPARE(r.link.nestedRefusals(), 1);
    QVERIFY(openDuringWait);
    QCOMPARE(r.line.written, Lines{"0AR\r\n"});
    r.link.CommPortRelease();
    QVERIFY(!r.line.isOpen());
  }

  // A vanished line fails at once, and the next command opens it again; the
  // program ending ends the wait silently, and only its one last command
  // goes out after it, once.
  void waitEndsEarly() {
    for (const bool vanish : {true, false}) {
      Rig r;
      QTimer::singleShot(0, &r.link, [&] { vanish ? r.line.vanish() : r.link.shutdown(); });
      QElapsedTimer clock;
      clock.start();
      QCOMPARE(r.link.CommTransaction("0RA", 6, {}, 30000), qint16(1));
      QVERIFY(clock.elapsed() < 1000);
      QVERIFY(!r.line.isOpen());
      QCOMPARE(r.dialogs.shown, vanish ? r.texts({"lost"}) : QStringList());
      r.line.answers = script("0RA1");
      QCOMPARE(r.link.ReadCtStatus(), qint16(vanish ? 1 : -1));
      if (vanish) {
        QCOMPARE(r.line.opens, 2);
        continue;
      }
      r.line.answers = script("0CM0");
      QCOMPARE(r.link.LastTransaction("0CM", 6, "0", 5000), qint16(0));
      QVERIFY(!r.line.isOpen());
      QCOMPARE(r.link.LastTransaction("0CM", 6, "0", 5000), qint16(1));
      QCOMPARE(r.line.written, (Lines{"0RA\r\n", "0CM0\r\n"}));
    }
  }

  // A drop between two exchanges of one command ends it, told once, without
  // connecting again behind its back; the next command connects again.
  void dropBetweenExchanges() {
    Rig r;
    {
      const CommandLock command(r.f, {CommandLock::Group::Commands});
      r.line.answers = script("0RA1");
      QCOMPARE(r.link.ReadCtStatus(), qint16(1));
      r.line.vanish();
      QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
      QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
      QCOMPARE(r.dialogs.shown, r.texts({"lost"}));
      QCOMPARE(r.line.opens, 1);
    }
    const CommandLock next(r.f, {CommandLock::Group::Commands});
    r.line.answers = script("0RA1");
    QCOMPARE(r.link.ReadCtStatus(), qint16(1));
    QCOMPARE(r.line.opens, 2);
  }

  // The lamp after status reads ("vanish": the line goes instead), and the
  // grey lamp's tip: grey before contact, an alarm outlasting a loss.
  void statusLamp() {
    const QList<std::tuple<QStringList, QString, int>> rows{{{}, "grey", 5214}, {{""}, "grey", 5214},
        {{"0RA1"}, "green", 0}, {{"0RA1", ""}, "grey", 5215}, {{"0RA1", "vanish"}, "grey", 5215},
        {{"0RA1", "", "0RA1"}, "green", 0}, {{"0%%101", ""}, "red", 0}};
    for (const auto &[exchanges, lamp, tip] : rows) {
      Rig r;
      r.link.showContact(Link::Contact::None);
      for (const QString &e : exchanges) {
        r.line.answers = script(e == u"vanish" ? QString() : e);
        e == u"vanish" ? r.line.vanish() : void(r.link.ReadCtStatus());
      }
      QVERIFY2(r.lamp() == lamp && r.f.imgAlarmUnknown.toolTip == (tip ? kt::msg(tip) : QString()),
               qPrintable(exchanges.join(u',')));
    }
  }

  void errorList_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("entries"); // -1: the list is missing
    QTest::addColumn<QString>("status"); // shown for the reply
    const QString jis = u"エラー"_qs;
    QTest::newRow("count 41") << "41\r\n" + QByteArray("\"01\",\"A\"\r\n").repeated(41) << -1 << "";
    QTest::newRow("count 0") << QByteArray("0\r\n") << 0 << kt::msg(32);
    QTest::newRow("fields missing") << QByteArray("3\r\n\"01\",\"A\"\r\n\"12\",\"B\"\r\n") << -1 << "";
    QTest::newRow("numeric key") << QByteArray("1\r\n12,\"Twelve\"\r\n") << 1 << "Twelve";
    // As an operator's editor may have saved it.
    QTest::newRow("Shift_JIS") << QByteArray("1\r\n\"12\",\"\x83\x47\x83\x89\x81\x5B\"\r\n") << 1 << jis;
    // A byte that is no character, and the file cut inside its last one: a mark for each.
    QTest::newRow("Shift_JIS, two faults") << QByteArray("1\r\n\"12\",\"\x83\x47\xFF\x83\x89\x82") << 1
                                           << jis.left(1) + QChar(0xFFFD) + jis[1] + QChar(0xFFFD);
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" "1\r\n\"12\",\"" + jis.toUtf8() + "\"\r\n" << 1 << jis;
    // A count that is no number from 0 up makes the list damaged, not empty.
    QTest::newRow("count beyond any integer")
        << kt::readFile(QFINDTESTDATA("../data/fuzz/errorlist-count-overflow.lst")) << -1 << "";
    QTest::newRow("count not a number") << QByteArray("many\r\n\"01\",\"A\"\r\n") << -1 << "";
  }

  // The error reply 0%%112 after loading the list; without one the operator
  // is told at loading and once for the reply, and the status area stays.
  void errorList() {
    QFETCH(QByteArray, file);
    QFETCH(int, entries);
    QFETCH(QString, status);
    QVERIFY(QDir().mkpath(kt::path("lists")));
    QVERIFY(kt::writeFile(kt::path("lists/erroreng.lst"), file));
    Rig r;
    r.dialogs.shown.clear();
    r.link.listFolder = kt::path("lists");
    r.link.Get_ErrorList();
    QCOMPARE(r.link.errors.ErrListMissing, entries < 0);
    if (entries >= 0)
      QCOMPARE(int(r.link.errors.entries.size()), entries);
    r.line.answers = script("0%%112");
    QCOMPARE(r.link.ReadCtStatus(), qint16(-1));
    const QStringList told = entries < 0 ? QStringList{kt::msg({30, 31}), kt::msg({30, 31})} : QStringList();
    QCOMPARE(r.dialogs.shown, told + r.texts({entries > 0 ? "error:12" : "code:112"}));
    QCOMPARE(r.f.lblstatus.text(), status);
    QCOMPARE(r.f.imgAlarmLed.isVisible(), entries >= 0);
  }

#ifdef Q_OS_WIN
  void portMap_data() {
    QTest::addColumn<int>("portNo");
    QTest::addColumn<QString>("device"); // "listed": \\.\COMn when the system lists COMn
    QTest::newRow("pinned at the start") << 2 << u"COM7"_qs;
    QTest::newRow("pinned in the settings") << 9 << u"tcp://host:4001"_qs;
    QTest::newRow("first") << 1 << u"listed"_qs;
    QTest::newRow("last") << 32 << u"listed"_qs;
    QTest::newRow("beyond 32") << 33 << QString();
  }
  // Number N is Windows' COMN while the system lists it; the settings and
  // --device pin any number.
  void portMap() {
    QFETCH(int, portNo);
    QFETCH(QString, device);
    SettingsStore().write(QStringLiteral("Device9"), QStringLiteral("tcp://host:4001"));
    PortMap map;
    map.setOverride(2, QStringLiteral("COM7"));
    if (device == u"listed") {
      const QString name = QStringLiteral("COM%1").arg(portNo);
      bool listed = false;
      for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        listed = listed || info.portName() == name;
      device = listed ? QStringLiteral("\\\\.\\") + name : QString();
    }
    QCOMPARE(map.devicePath(portNo), device);
  }
#else
  // Each adapter keeps its number when plugged in again in another order.
  void portMap() {
    const QString root = kt::path("ports/"), a = root + u"by-id/usb-FTDI_A-if00-port0"_qs,
                  b = root + u"by-id/usb-Prolific_B-port0"_qs;
    QVERIFY(QDir().mkpath(root + u"by-id"_qs) && QDir().mkpath(root + u"dev"_qs));
    for (const char *d : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyACM0"})
      QVERIFY(kt::writeFile(root + QString::fromLatin1(d), ""));
    SettingsStore().write(QStringLiteral("Device9"), QStringLiteral("/dev/custom9"));
    PortMap map;
    map.byIdFolder = root + u"by-id"_qs;
    map.devFolder = root + u"dev"_qs;
    map.setOverride(2, QStringLiteral("/tmp/pty-link"));
    const QList<std::pair<int, QString>> rows{{4, root + u"dev/ttyS3"_qs}, {5, a}, {6, b},
        {7, root + u"dev/ttyACM0"_qs}, {8, {}}, {9, u"/dev/custom9"_qs}, {2, u"/tmp/pty-link"_qs}};
    for (const auto &[first, second] : {std::pair{"dev/ttyUSB1", "dev/ttyUSB0"}, {"dev/ttyUSB0", "dev/ttyUSB1"}}) {
      QFile::remove(a), QFile::remove(b);
      QVERIFY(QFile::link(root + QString::fromLatin1(first), a) && QFile::link(root + QString::fromLatin1(second), b));
      for (const auto &[portNo, device] : rows)
        QCOMPARE(map.devicePath(portNo), device);
    }
  }
#endif
};

KOV_TEST_MAIN(tst_Link)
#include "tst_link.moc"
