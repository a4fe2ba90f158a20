// kov-t6-cli end to end: the real executable against kov-sim on a pty.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {
const char *const Timeout = "Communication timeout error!\n\nCheck the followings;\n\n"
                            " 1.Power ON for controller?\n\n 2.Communication cables are connected?\n";
}

class tst_Cli : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void cleanup();
  void commands_data();
  void commands();
  void indexReadSavesTheFile();
  void commissioningParameters();
  void usageErrors_data();
  void usageErrors();
  void failedSaveKeepsTheOldFile_data();
  void failedSaveKeepsTheOldFile();
  void openFailuresSayWhy_data();
  void openFailuresSayWhy();
  void motionCommands_data();
  void motionCommands();
  void ctrlCPressesStop_data();
  void ctrlCPressesStop();
  void portsOnTheSimulator();
  void commissioningRecord();
  void reportsAsPdf_data();
  void reportsAsPdf();
  void guiPrintsWithoutADisplay_data();
  void guiPrintsWithoutADisplay();
  void cleanupTestCase();

private:
  bool startSim(const QStringList &extra);
  // Runs the tool on the simulator's line; returns its exit code.
  int cli(const QStringList &args);
  QList<QByteArray> wire() const;

  // A file system with no room left, where the test may mount one.
  QStringList fullFolder_;
  QTemporaryDir dir_;
  QProcess sim_;
  QString link_, log_;
  QByteArray stdout_, stderr_;
};

void tst_Cli::initTestCase() {
  QVERIFY(dir_.isValid());
  link_ = dir_.filePath("ztkov");
  log_ = dir_.filePath("wire.log");
}

void tst_Cli::cleanup() {
  sim_.terminate();
  sim_.waitForFinished(5000);
}

bool tst_Cli::startSim(const QStringList &extra) {
  QFile::remove(log_);
  sim_.start(KOV_SIM_PATH, QStringList{"--link", link_, "--log", log_} + extra);
  return sim_.waitForStarted(5000) && sim_.waitForReadyRead(5000);
}

int tst_Cli::cli(const QStringList &args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", dir_.filePath("config")); // a store of its own
  p.setProcessEnvironment(env);
  p.setStandardInputFile(QProcess::nullDevice()); // no terminal
  p.start(KOV_CLI_PATH, QStringList{"--device", link_, "--lang", "en", "--timeout-scale", "0.1"} + args);
  if (!p.waitForFinished(20000))
    return -1;
  stdout_ = p.readAllStandardOutput();
  stderr_ = p.readAllStandardError();
  return p.exitCode();
}

QList<QByteArray> tst_Cli::wire() const {
  QFile f(log_);
  QList<QByteArray> lines = f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>{};
  lines.removeAll(QByteArray());
  return lines;
}

void tst_Cli::commands_data() {
  QTest::addColumn<QStringList>("simArgs");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QByteArray>("file"); // written to "in" before the run
  QTest::addColumn<int>("exit");
  QTest::addColumn<QByteArray>("out");
  QTest::addColumn<QByteArray>("err");
  QTest::addColumn<QList<QByteArray>>("lines");
  using L = QList<QByteArray>;
  const QByteArray ztd = "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                         "0,\"1500\",\"2\",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n";
  QTest::newRow("version") << QStringList() << QStringList{"version"} << QByteArray() << 0
                           << QByteArray("version: 1.10\n")
                           << QByteArray("The version of this controller is 1.10.\n") << L{"0CM6", "0RV"};
  QTest::newRow("status") << QStringList() << QStringList{"status"} << QByteArray() << 0
                          << QByteArray("status: 1\n") << QByteArray() << L{"0RA"};
  QTest::newRow("alarm reset") << QStringList() << QStringList{"alarm-reset"} << QByteArray() << 0
                               << QByteArray() << QByteArray() << L{"0AR"};
  QTest::newRow("timeout") << QStringList{"--fault", "0RA:noreply"} << QStringList{"status"}
                           << QByteArray() << 3 << QByteArray()
                           << QByteArray(Timeout) + "kov-t6-cli: status failed\n" << L{"0RA"};
  QTest::newRow("index write") << QStringList() << QStringList{"--yes", "index", "write", "in"} << ztd
                               << 0 << QByteArray() << QByteArray("Data is transmitted to controller,Yes?\n")
                               << L{"0RA", "0WP0105DC200000010802", "0WA0101"};
  QTest::newRow("no --yes, no terminal: nothing written")
      << QStringList() << QStringList{"index", "write", "in"} << ztd << 3 << QByteArray()
      << QByteArray("Data is transmitted to controller,Yes?\nkov-t6-cli: index write failed\n") << L{};
  QTest::newRow("file without list items: nothing written")
      << QStringList() << QStringList{"--yes", "index", "write", "in"}
      << QByteArray(ztd).replace("\"8\",\"2\"", "\"8\",\"0\"") << 3 << QByteArray()
      << QByteArray("This File can not open ! \nkov-t6-cli: opening in failed\n") << L{};
  QTest::newRow("value out of range named")
      << QStringList() << QStringList{"--yes", "index", "write", "in"}
      << QByteArray(ztd).replace("\"8\",\"2\"", "\"300\",\"2\"") << 3 << QByteArray()
      << QByteArray("Division 300 is out of range (0 to 100).\nkov-t6-cli: opening in failed\n") << L{};
  QTest::newRow("status not a digit") << QStringList{"--fault", "0RA:garbage"} << QStringList{"status"}
                                      << QByteArray() << 3 << QByteArray()
                                      << QByteArray("Communication error occurs!\ntransmit data is wrong\n"
                                                    "kov-t6-cli: status failed\n") << L{"0RA"};
  QTest::newRow("refused file") << QStringList() << QStringList{"--yes", "index", "write", "in"}
                                << QByteArray("\"ZT-KOV\",\"PRM\"\r\n6\r\n") << 3 << QByteArray()
                                << QByteArray("Not Position Data file for ZT-M5.\n\nOpening file is canceled.\n"
                                              "kov-t6-cli: opening in failed\n")
                                << L{};
}

void tst_Cli::commands() {
  QFETCH(QStringList, simArgs);
  QFETCH(QStringList, args);
  QFETCH(QByteArray, file);
  QVERIFY(startSim(simArgs));
  if (!file.isEmpty()) {
    QFile in(dir_.filePath("in"));
    QVERIFY(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
    in.write(file);
  }
  for (QString &a : args)
    if (a == "in")
      a = dir_.filePath("in");
  for (QByteArray *e : {&stdout_, &stderr_})
    e->clear();
  const int exit = cli(args);
  QTEST(stdout_, "out");
  QFETCH(QByteArray, err);
  QCOMPARE(QString::fromUtf8(stderr_), QString::fromUtf8(err).replace("opening in", "opening " + dir_.filePath("in")));
  QTEST(exit, "exit");
  QFETCH(QList<QByteArray>, lines);
  QTRY_COMPARE(wire(), lines);
}

void tst_Cli::indexReadSavesTheFile() {
  QVERIFY(startSim({}));
  const QString saved = dir_.filePath("read.ztd");
  QCOMPARE(cli({"--yes", "index", "read", "-o", saved}), 0);
  QCOMPARE(stdout_, QByteArray("VEL: 10\nACC: 2\nDivision: 8\nGEAR: 3\nRotation: CW\n"));
  QFile f(saved);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                                   "0,\"1000\",\"2\",\"0\",\"0\",\"0\",\"8\",\"3\",\"\"\r\n"));
  QCOMPARE(wire(), (QList<QByteArray>{"0CM6", "0RP01"}));
}

// The commissioning story of the README: standard set to a file, written,
// verified, a verification that differs, and a backup read back.
void tst_Cli::commissioningParameters() {
  QVERIFY(startSim({}));
  const QString standard = dir_.filePath("std28.pmt");
  QCOMPARE(cli({"params", "standard", "28", "-o", standard}), 0);
  QFile f(standard);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray file = f.readAll();
  QCOMPARE(file.count("\r\n"), 43);
  // Parameters 2 and 5 have no box: a save writes their fixed values.
  QVERIFY(file.startsWith("\"ZT-KOV\",\"PRM\"\r\n6\r\n\"HOME\",5,1\r\n30\r\n1\r\n10\r\n10\r\n1\r\n"
                          "\"AXIS\",7,1\r\n65535\r\n2\r\n400\r\n0\r\n20\r\n2\r\n\"28L100\"\r\n"));
  QVERIFY(wire().isEmpty()); // no controller needed

  QCOMPARE(cli({"--yes", "params", "write", standard}), 0);
  const QList<QByteArray> written = wire();
  QCOMPARE(written.size(), 5);
  QCOMPARE(written[0], QByteArray("0RA"));
  QCOMPARE(written[1].left(4), QByteArray("0WD0"));
  QCOMPARE(written[2], QByteArray("0WD10202019000FFFF14001C4C0064000000"));
  QCOMPARE(written[4], QByteArray("0WE"));

  QCOMPARE(cli({"--yes", "params", "verify", standard}), 0);
  QCOMPARE(stderr_, QByteArray("Result of Verify - OK\n"));

  const QString other = dir_.filePath("std35.pmt");
  QCOMPARE(cli({"params", "standard", "35", "--encoder", "-o", other}), 0);
  QCOMPARE(cli({"--yes", "params", "verify", other}), 1);
  QVERIFY(stderr_.startsWith("Result of Verify - NG\n<AXIS Parameter> :MOTOR\n<PG Parameter> :FUNCTION,\n"));

  const QString backup = dir_.filePath("backup.pmt");
  QCOMPARE(cli({"--yes", "params", "read", "-o", backup}), 0);
  QVERIFY(stdout_.startsWith("OFFSET: 30\nVEL: 10\nOFSVEL: 10\nPULSE: 400\nAUTO DRIVE: 0. Drive-ON\nMOTOR: 28\n"));
  QFile b(backup);
  QVERIFY(b.open(QIODevice::ReadOnly));
  QCOMPARE(b.readAll(), file);

  // Size SP: no current is refused before anything is sent; the current
  // written is the one verification compares.
  const QString sp = dir_.filePath("sp.pmt");
  QCOMPARE(cli({"params", "standard", "SP", "-o", sp}), 0);
  const qsizetype sent = wire().size();
  QCOMPARE(cli({"--yes", "params", "write", sp}), 3);
  QVERIFY(stderr_.contains("--current"));
  QCOMPARE(wire().size(), sent);
  QCOMPARE(cli({"--yes", "params", "write", sp, "--current", "1.23"}), 2);
  QCOMPARE(cli({"--yes", "params", "write", sp, "--current", "1.2"}), 0);
  const QByteArray block7 = wire().value(sent + 6);
  QVERIFY(block7.startsWith("0WD7"));
  QCOMPARE(block7.mid(16, 4), QByteArray("00E1")); // 1.2 A
  QCOMPARE(cli({"--yes", "params", "verify", sp, "--current", "1.2"}), 0);
  QCOMPARE(cli({"--yes", "params", "verify", sp, "--current", "1.3"}), 1);
  QVERIFY(stderr_.contains(":CURRENT,"));
}

void tst_Cli::usageErrors_data() {
  QTest::addColumn<QStringList>("args");
  QTest::newRow("no command") << QStringList();
  QTest::newRow("unknown command") << QStringList{"fly"};
  QTest::newRow("unknown option") << QStringList{"--fast", "status"};
  QTest::newRow("index without verb") << QStringList{"index"};
  QTest::newRow("write without file") << QStringList{"index", "write"};
  QTest::newRow("status with an argument") << QStringList{"status", "now"};
  QTest::newRow("standard size 99") << QStringList{"params", "standard", "99", "-o", "x.pmt"};
  QTest::newRow("current out of range") << QStringList{"params", "write", "x.pmt", "--current", "2.5"};
  QTest::newRow("current not a number") << QStringList{"params", "write", "x.pmt", "--current", "nan"};
  QTest::newRow("current infinite") << QStringList{"params", "write", "x.pmt", "--current", "inf"};
}

void tst_Cli::usageErrors() {
  QFETCH(QStringList, args);
  QCOMPARE(cli(args), 2);
  QVERIFY(stderr_.startsWith("kov-t6-cli: "));
  QVERIFY(stderr_.endsWith("(see kov-t6-cli --help)\n"));
  QCOMPARE(stderr_.count('\n'), 1);
}

void tst_Cli::motionCommands_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("out"); // a pattern for the whole of standard output
  QTest::addColumn<QList<QByteArray>>("first"); // the wire begins so
  QTest::addColumn<QByteArray>("last");
  using L = QList<QByteArray>;
  QTest::newRow("home") << QStringList{"home"} << "" << L{"0CM6", "0MP00", "0RA"} << QByteArray("0RA");
  QTest::newRow("one step") << QStringList{"move", "--step"} << R"(move 1: \d+ ms\n)"
                            << L{"0RA", "0MP01", "0RA"} << QByteArray("0RA");
  QTest::newRow("two moves with a dwell") << QStringList{"move", "--count", "2", "--dwell", "1"}
                                          << R"(move 1: \d+ ms\nmove 2: \d+ ms\n)"
                                          << L{"0RA", "0MP01", "0RA"} << QByteArray("0RA");
  QTest::newRow("monitor, OUT1 switched")
      << QStringList{"io", "--seconds", "0.7", "--toggle", "OUT1"}
      << R"(STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=0\n(STB=0 RES=0 ALM=0 RDY=1 IN-P=0 OUT2=0 OUT1=1\n)+)"
      << L{"0CM7", "0RI", "0RO", "0WO21", "0RI", "0RO"} << QByteArray("0CM0");
  QTest::newRow("monitor as CSV") << QStringList{"io", "--seconds", "0.4", "--csv"}
                                  << R"(ms,STB,RES,ALM,RDY,IN-P,OUT2,OUT1\n(\d+,0,0,0,1,0,0,0\n)+)"
                                  << L{"0CM7", "0RI", "0RO"} << QByteArray("0CM0");
}

// The motion commands end to end: kov-t6-cli against kov-sim on a pty.
void tst_Cli::motionCommands() {
  QFETCH(QStringList, args);
  QVERIFY(startSim({"--time-scale", "0.01"}));
  QCOMPARE(cli(args), 0);
  QFETCH(QString, out);
  QVERIFY2(QRegularExpression(u'^' + out + u'$').match(QString::fromUtf8(stdout_)).hasMatch(),
           stdout_.constData());
  QFETCH(QList<QByteArray>, first);
  QTRY_VERIFY2(wire().mid(0, first.size()) == first, wire().join(' ').constData());
  QFETCH(QByteArray, last);
  QTRY_COMPARE(wire().value(wire().size() - 1), last);
  if (args.first() == u"move"_qs)
    QCOMPARE(int(wire().count("0MP01")), args.contains(u"--count"_qs) ? 2 : 1);
}

void tst_Cli::ctrlCPressesStop_data() {
  QTest::addColumn<QStringList>("simArgs");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exit");
  QTest::addColumn<QByteArray>("last");
  QTest::newRow("moves until Ctrl+C") << QStringList{"--time-scale", "0.05"} << QStringList{"move"} << 0
                                      << QByteArray("0RA");
  QTest::newRow("homing never reported") << QStringList{"--homing-ends", "2"} << QStringList{"home"} << 3
                                         << QByteArray("0RA");
  QTest::newRow("monitor until Ctrl+C") << QStringList() << QStringList{"io"} << 0 << QByteArray("0CM0");
}

// Ctrl+C is the Stop button: the run or the monitor ends as it would.
void tst_Cli::ctrlCPressesStop() {
  QFETCH(QStringList, simArgs);
  QFETCH(QStringList, args);
  QVERIFY(startSim(simArgs));
  QProcess p;
  p.start(KOV_CLI_PATH, QStringList{"--device", link_, "--lang", "en", "--timeout-scale", "0.1"} + args);
  QVERIFY(p.waitForStarted(5000));
  QTRY_VERIFY(wire().size() >= 4); // under way
  ::kill(pid_t(p.processId()), SIGINT);
  QVERIFY(p.waitForFinished(10000));
  QCOMPARE(p.exitStatus(), QProcess::NormalExit);
  QTEST(p.exitCode(), "exit");
  if (args == QStringList{"home"}) // the terminal's own key for a second press
    QVERIFY(p.readAllStandardError().contains("Homing… press Ctrl+C"));
  QFETCH(QByteArray, last);
  QTRY_COMPARE(wire().value(wire().size() - 1), last);
}

// Each read, write or verification adds its line once its outcome is
// known; a record that cannot be written fails the command.
void tst_Cli::commissioningRecord() {
  QVERIFY(startSim({}));
  const QString record = dir_.filePath("record.csv");
  QFile::remove(record);
  const QString pmt = dir_.filePath("rec.pmt");
  QCOMPARE(cli({"--record", record, "params", "read", "-o", pmt}), 0);
  QCOMPARE(cli({"--record", record, "params", "verify", pmt}), 0);
  QCOMPARE(cli({"--record", record, "status"}), 0); // not a transfer: no line
  QFile f(record);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 3);
  QCOMPARE(lines[0], u"time,port,version,command,file,result,differences"_qs);
  QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT[\\d:]+,COM1 — [^,]+,,params read,"_qs + pmt + u",OK,$"_qs)
               .match(lines[1]).hasMatch(), qPrintable(lines[1]));
  QVERIFY2(lines[2].endsWith(u"params verify,"_qs + pmt + u",OK,0"_qs), qPrintable(lines[2]));
  // A folder where the record would go: the command fails, exit 3.
  QCOMPARE(cli({"--record", dir_.path(), "params", "read"}), 3);
  QVERIFY(stderr_.contains("the commissioning record could not be written"));
}

// With the simulator every number reaches it, and says so.
void tst_Cli::portsOnTheSimulator() {
  QProcess p;
  p.start(KOV_CLI_PATH, {"--lang", "en", "--simulator", "ports"});
  QVERIFY(p.waitForFinished(20000));
  QCOMPARE(p.exitCode(), 0);
  const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 32);
  QCOMPARE(lines.first(), u"COM1 — simulator: opens"_qs);
  QCOMPARE(lines.last(), u"COM32 — simulator: opens"_qs);
}

void tst_Cli::reportsAsPdf_data() {
  QTest::addColumn<QString>("lang");
  QTest::addColumn<QString>("report");
  QTest::addColumn<QStringList>("lines"); // each found in the PDF's text
  QTest::newRow("index, English") << "en" << "index"
                                  << QStringList{"File Namein.ztd", "VEL : 100", "ACC : 2", "Division : 8",
                                                 "GEAR : 10", "Rotation : CCW"};
  QTest::newRow("index, Japanese") << "ja" << "index"
                                   << QStringList{u"ZT-KOV PC software 移動データ"_qs, u"ファイル名in.ztd"_qs,
                                                  u"速度 : 100"_qs, u"加速度 : 2"_qs, u"分割数 : 8"_qs,
                                                  u"ギア比 : 10"_qs, u"回転方向 : CCW"_qs};
  const QStringList params{"<< HOMING PARAMETER >>", "1.OFFSET: 30", "2.VEL: 10", "3.OFSVEL: 10",
                           "<< AXIS PARAMETER >>", "1.PULSE: 400", "3.MOTOR: 28", "<< PG PARAMETER >>",
                           "2.ALM: 100", "<< Etc PARAMETER >>", "2. IN-P WID: 10", "<< SP Parameter >>",
                           "1. PG TIMER: 125", "3. LS TIMER: 0"};
  QTest::newRow("parameters, English")
      << "en" << "params"
      << QStringList{"ZT-KOV Parameters File Name:in.pmt"} + params +
             QStringList{"2.AUTO DRIVE: 0. Drive-ON", "4. EMG LOGIC: Logic A(1)"};
  QTest::newRow("parameters, Japanese")
      << "ja" << "params"
      << QStringList{u"ZT-KOV Parameters ファイル名:in.pmt"_qs} + params +
             QStringList{u"1. HOME OUT: 0. 出力なし"_qs, u"4. EMG LOGIC: A接点(1)"_qs};
}

// kov-t6-cli draws the reports of files into real PDFs; their text holds
// every line, in both languages (Japanese glyphs included).
void tst_Cli::reportsAsPdf() {
  QFETCH(QString, lang);
  QFETCH(QString, report);
  const bool index = report == u"index"_qs;
  const QString in = dir_.filePath(index ? "in.ztd" : "in.pmt");
  if (index) {
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n0,\"3000\",\"2\",\"\",\"\",\"1\",\"8\",\"10\",\"\"\r\n");
  } else {
    QFile::remove(in);
    QProcess standard;
    standard.start(KOV_CLI_PATH, {"params", "standard", "28", "-o", in});
    QVERIFY(standard.waitForFinished(20000) && standard.exitCode() == 0);
  }
  const QString pdf = dir_.filePath(u"report-"_qs + lang + u'-' + report + u".pdf"_qs);
  QProcess p;
  p.start(KOV_CLI_PATH, {"--lang", lang, "print", report, in, "-o", pdf});
  QVERIFY(p.waitForFinished(20000));
  QCOMPARE(p.exitCode(), 0);
  QVERIFY(QFile(pdf).size() > 0);
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
  QVERIFY2(text.waitForFinished(20000), "pdftotext (poppler-utils) is needed");
  // Glyphs shared by an ideograph and its radical come back as either.
  QString got = QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
  got.replace(QRegularExpression(u"[ \t]+"_qs), u" "_qs);
  QFETCH(QStringList, lines);
  for (const QString &line : lines) {
    const QString want = line.normalized(QString::NormalizationForm_KC);
    QVERIFY2(got.contains(want), qPrintable(u"missing: "_qs + want + u"\n"_qs + got));
  }
}

void tst_Cli::guiPrintsWithoutADisplay_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<QString>("shows");
  QTest::newRow("--help") << "--help" << "--simulator";
  QTest::newRow("-h") << "-h" << "--no-splash";
  QTest::newRow("--version") << "--version" << "KOV-T6 ";
}

// Where no window can open, the program still answers a terminal user.
void tst_Cli::guiPrintsWithoutADisplay() {
  QFETCH(QString, option);
  QProcess gui;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(QString::fromLatin1(v));
  gui.setProcessEnvironment(env);
  gui.start(KOV_GUI_PATH, {option});
  QVERIFY(gui.waitForFinished(10000));
  QCOMPARE(gui.exitStatus(), QProcess::NormalExit);
  QCOMPARE(gui.exitCode(), 0);
  QFETCH(QString, shows);
  QVERIFY2(QString::fromUtf8(gui.readAllStandardOutput()).contains(shows),
           qPrintable(QString::fromUtf8(gui.readAllStandardError())));
}

void tst_Cli::cleanupTestCase() {
  for (const QString &folder : fullFolder_)
    QProcess::execute("umount", {folder});
}

void tst_Cli::failedSaveKeepsTheOldFile_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("target"); // "full": a file on a full file system; "readonly": in a read-only folder
  QTest::addColumn<QByteArray>("message");
  const QByteArray pmt = "Fail to  Save parameters into the file.", ztd = "Fail to save the file.";
  for (const char *target : {"/dev/full", "full", "readonly"}) {
    QTest::addRow("standard set to %s", target) << QStringList{"params", "standard", "35"} << target << pmt;
    QTest::addRow("parameters read to %s", target) << QStringList{"--yes", "params", "read"} << target << pmt;
    QTest::addRow("index read to %s", target) << QStringList{"--yes", "index", "read"} << target << ztd;
  }
}

// A save that cannot be completed fails with the system's reason, and the
// file that was there stays byte for byte.
void tst_Cli::failedSaveKeepsTheOldFile() {
  QFETCH(QStringList, args);
  QFETCH(QString, target);
  QByteArray old(223, 'k');
  QString folder;
  QByteArray reason = "No space left on device";
  if (target == "readonly") {
    // Root writes into any folder: a read-only mount stands in for one.
    folder = dir_.filePath(QStringLiteral("ro-%1").arg(QTest::currentDataTag()));
    QDir().mkpath(folder);
    const bool root = ::geteuid() == 0;
    if (root && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
      QSKIP("a read-only folder for root needs a tmpfs mount");
    if (root)
      fullFolder_ << folder;
    target = folder + "/keep." + (args.contains("index") ? "ztd" : "pmt");
    QFile keep(target);
    QVERIFY(keep.open(QIODevice::WriteOnly) && keep.write(old) == old.size() && keep.flush());
    keep.close();
    if (root)
      QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", folder}), 0);
    else
      QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    reason = root ? "Read-only file system" : "Permission denied";
  } else if (target == "full") {
    folder = dir_.filePath(QStringLiteral("full-%1").arg(QTest::currentDataTag()));
    QDir().mkpath(folder);
    if (::geteuid() != 0 ||
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
      QSKIP("a full file system needs root and a tmpfs mount; /dev/full and the failing "
            "writes of tst_messages cover the rest");
    fullFolder_ << folder;
    // What an earlier save left, then the disk filled up.
    target = folder + "/keep." + (args.contains("index") ? "ztd" : "pmt");
    QFile keep(target), filler(folder + "/filler");
    QVERIFY(keep.open(QIODevice::WriteOnly) && keep.write(old) == old.size() && keep.flush());
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(512, 'x')) > 0 && filler.flush()) {
    }
  }
  QVERIFY(startSim({}));
  QCOMPARE(cli(args + QStringList{"-o", target}), 3);
  QFETCH(QByteArray, message);
  QVERIFY2(stderr_.contains(message + "\n" + target.toUtf8() + "\n" + reason + "\n"), stderr_);
  QVERIFY(stderr_.endsWith(" failed\n"));
  if (!folder.isEmpty()) {
    QFile keep(target);
    QVERIFY(keep.open(QIODevice::ReadOnly));
    QCOMPARE(keep.readAll(), old);
    // No temporary left behind.
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), folder.contains("/ro-") ? 1 : 2);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

void tst_Cli::openFailuresSayWhy_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QByteArray>("file"); // null: no file; "dir": a folder
  QTest::addColumn<QByteArray>("reason");
  const QByteArray pmt = "\"ZT-KOV\",\"PRM\"\r\n6\r\n\"HOME\",5,1\r\n30\r\n1\r\n10\r\n";
  const QByteArray ztd = "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n0,\"1500\",\"x\"";
  for (const char *kind : {"pmt", "ztd"}) {
    QTest::addRow("%s missing", kind) << kind << QByteArray() << QByteArray("No such file or directory");
    QTest::addRow("%s folder", kind) << kind << QByteArray("dir") << QByteArray("This is a folder, not a file.");
    QTest::addRow("%s empty", kind) << kind << QByteArray("") << QByteArray("The file is empty.");
    QTest::addRow("%s huge", kind) << kind << QByteArray((1 << 20) + 1, '\n')
                                   << QByteArray("The file is larger than 1048576 bytes.");
  }
  QTest::newRow("pmt truncated") << "pmt" << pmt << QByteArray("The file ends before the data are complete.");
  QTest::newRow("pmt not a number") << "pmt" << pmt + "x1\r\n1\r\n" + QByteArray("\"AXIS\",7,1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n\"28L100\"\r\n\"PG\",2,1\r\n0\r\n0\r\n\"ETC\",8,1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\"SPECIAL\",6,1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\"RESERVED\",7,1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n")
                                    << QByteArray("Line 7 is not a number.");
  QTest::newRow("ztd truncated") << "ztd" << ztd << QByteArray("The file ends before the data are complete.");
  QTest::newRow("ztd not a number") << "ztd" << ztd + ",\"\",\"\",\"1\",\"8\",\"2\",\"\"\r\n"
                                    << QByteArray("Line 3 is not a number.");
}

// The message of the file kind, then the path and why; no Qt warning.
void tst_Cli::openFailuresSayWhy() {
  QFETCH(QString, kind);
  QFETCH(QByteArray, file);
  const QString path = dir_.filePath("broken." + kind);
  QFile::remove(path);
  QDir(path).removeRecursively();
  if (file == "dir")
    QVERIFY(QDir().mkpath(path));
  else if (!file.isNull()) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
  }
  QVERIFY(startSim({}));
  QCOMPARE(cli({"--yes", kind == "pmt" ? "params" : "index", "write", path}), 3);
  const QByteArray head = kind == "pmt" ? "Fail to open parameter file.\n" : "This File can not open ! \n";
  QFETCH(QByteArray, reason);
  QCOMPARE(QString::fromUtf8(stderr_), QString::fromUtf8(head + path.toUtf8() + "\n" + reason + "\nkov-t6-cli: opening " +
                                                         path.toUtf8() + " failed\n"));
  QVERIFY(wire().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
