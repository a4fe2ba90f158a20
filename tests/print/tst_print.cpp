#include "frmdevice.h"
#include "frmprintselect.h"
#include "indexdata.h"
#include "linkrig.h"
#include "parameterfile.h"
#include "parameterpage.h"
#include "printcommands.h"
#include "reports.h"
#include "simportdevice.h"
#define PARAMRIG_PAGE_ONLY
#include "../params/paramrig.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// A page of 190 x 277 mm whose text is 0.35 mm a point high and 2 mm a
// character wide; every call is kept as a line of text.
class RecordingPage : public Page {
public:
  QStringList ops;
  PageFont font;
  int drawWidth = 0;
  double width() const override { return 190; }
  double height() const override { return 277; }
  void setFont(const PageFont &f) override { font = f; }
  double textHeight(const QString &) override { return font.size * 0.35; }
  double textWidth(const QString &t) override { return 2.0 * double(t.size()); }
  void setDrawWidth(int w) override { drawWidth = w; }
  void line(double x1, double y1, double x2, double y2) override {
    ops << QStringLiteral("line %1,%2-%3,%4 w%5").arg(x1).arg(y1).arg(x2).arg(y2).arg(drawWidth);
  }
  void text(double x, double y, const QString &t) override {
    ops << QStringLiteral("text %1,%2 %3%4%5 %6")
               .arg(x)
               .arg(y)
               .arg(font.size)
               .arg(font.bold ? u"b"_qs : QString(), font.italic ? u"i"_qs : QString(), t);
  }
  void newPage() override { ops << u"page"_qs; }
  void end() override { ops << u"end"_qs; }
};

// Records what would be printed; the print dialog answers `accept`.
class RecordingTarget : public PrintTarget {
public:
  bool accept = true;
  int dialogs = 0;
  RecordingPage page;
  bool printed = false;
  bool choose(bool) override {
    ++dialogs;
    return accept;
  }
  void print(const std::function<void(Page &)> &draw, bool) override {
    printed = true;
    draw(page);
  }
};

const QDateTime Now(QDate(2026, 12, 7), QTime(9, 5, 3));
} // namespace

struct Rig : LinkRig<SimPortDevice> {
  FrmDevice d;
  FrmPrintSelect s;
  IndexData data{m, f, dialogs, link};
  ParameterPage page{m, f, d, dialogs};
  ParameterFile file{m, f, dialogs, page};
  PrintCommands print{m, f, s, dialogs, data, page, file};
  RecordingTarget target;

  explicit Rig(int language = 2) {
    m.useLanguege(qint16(language));
    print.target = &target;
    data.mainWindowLoad();
    data.selectStartValues();
    page.mainWindowLoad();
  }
};

class tst_Print : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  QString write(const QString &name, const QByteArray &bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
  }

private Q_SLOTS:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  }

  void indexLayout_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QStringList>("ops");
    const QString file = u"text 120,4 11bi File Namestation.ztd"_qs;
    auto layout = [](const QString &title, const QString &fileLine, const QStringList &labels,
                     const QStringList &values) {
      QStringList ops{u"text 10,4 14bi "_qs + title};
      if (!fileLine.isEmpty())
        ops << fileLine;
      ops << u"line 4,12-180,12 w3"_qs << u"line 10,16-180,16 w3"_qs
          << u"text 140,272 11bi 2026/12/07  09:05:03"_qs << u"line 10,272-180,272 w3"_qs;
      // Each line 2 CharH below where the last print left the position.
      double y = 20;
      for (int i = 0; i < 5; ++i) {
        y += 8;
        ops << QStringLiteral("text 20,%1 14 %2%3").arg(y).arg(labels[i], values[i]);
        y += 14 * 0.35;
      }
      return ops << u"end"_qs;
    };
    const QStringList en{"VEL     :   ", "ACC   :   ", "Division   :   ", "GEAR   :   ", "Rotation  :   "};
    QTest::newRow("screen, English") << 2 << false << layout(u"ZT-KOV PC software Index Data"_qs, {}, en, {"10", "2", "8", "10", "CCW"});
    QTest::newRow("file, English") << 2 << true << layout(u"ZT-KOV PC software Index Data"_qs, file, en, {"100", "2", "8", "10", "CCW"});
    const QStringList ja{u"速度     :   "_qs, u"加速度   :   "_qs, u"分割数   :   "_qs, u"ギア比   :   "_qs,
                         u"回転方向  :   "_qs};
    QTest::newRow("file, Japanese")
        << 1 << true
        << layout(u"ZT-KOV PC software 移動データ"_qs, u"text 120,4 11bi ﾌｧｲﾙ名station.ztd"_qs, ja,
                  {"100", "2", "8", "10", "CCW"});
  }

  // The index data report: header, rules, footer at the right edge, and
  // the five lines; from a file, VEL is column 1 x column 7 / 300.
  void indexLayout() {
    QFETCH(int, language);
    QFETCH(bool, fromFile);
    Rig r(language);
    if (fromFile) {
      const QString path =
          write("station.ztd", "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                               "0,\"3000\",\"2\",\"\",\"\",\"1\",\"8\",\"10\",\"\"\r\n");
      r.print.PrintFileName = path;
      r.print.PrintFile = true;
    } else {
      r.f.txtGEAR.setText("10");
      r.f.txtDIVISION.setText("8");
      r.f.comboVEL.setText("10");
      r.f.comboACC.setText("2");
      r.f.optCCW.setChecked(true);
      r.print.PrintGrid = true;
    }
    if (fromFile) {
      QCOMPARE(r.print.printIndexFile(r.print.PrintFileName), qint16(0));
    } else {
      QCOMPARE(r.print.PrintScreenData(), qint16(0));
    }
    QStringList ops = r.target.page.ops;
    // The footer's stamp is the clock's; put the fixed one in its place.
    for (QString &op : ops)
      if (op.startsWith(u"text ") && op.contains(QRegularExpression(u"\\d{4}/\\d\\d/\\d\\d  "_qs)))
        op = u"text 140,272 11bi 2026/12/07  09:05:03"_qs;
    QTEST(ops, "ops");
    QVERIFY(r.dialogs.shown.isEmpty());
  }

  void parameterValues_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("printed");
    QTest::newRow("auto drive 2") << "AxisAutoDrv=2" << 5 << "2";
    QTest::newRow("auto drive 1") << "AxisAutoDrv=1" << 5 << "1. Drive-OFF";
    QTest::newRow("emg logic 0") << "EmgLogic=0" << 15 << "Logic B(0)";
    QTest::newRow("emg logic 1") << "EmgLogic=1" << 15 << "Logic A(1)";
    QTest::newRow("motor 20 is SP") << "ActCode=20L100" << 7 << "SP";
    QTest::newRow("motor 42") << "ActCode=42L100" << 7 << "42";
    QTest::newRow("home out 3") << "HomeOut=3" << 10 << "3. OUT1,2-ON";
    QTest::newRow("home out 7") << "HomeOut=7" << 10 << "7";
    QTest::newRow("alarm clear 1") << "AlarmAutoClear=1" << 16 << "1. Enable";
  }

  // Values print as the table translates them; others as they are.
  void parameterValues() {
    QFETCH(QString, change);
    ParametaRecord p;
    p.ActCode = u"28L100"_qs;
    const QString name = change.section(u'=', 0, 0), value = change.section(u'=', 1);
    if (name == u"AxisAutoDrv") p.AxisAutoDrv = qint16(value.toInt());
    if (name == u"EmgLogic") p.EmgLogic = qint16(value.toInt());
    if (name == u"ActCode") p.ActCode = value;
    if (name == u"HomeOut") p.HomeOut = qint16(value.toInt());
    if (name == u"AlarmAutoClear") p.AlarmAutoClear = qint16(value.toInt());
    const QStringList list = FillParaPrintList(p, u"INDICATED DATA"_qs, Messages(10000));
    QFETCH(int, entry);
    QTEST(list.value(entry), "printed");
  }

  // The parameter report: title, file line for files only, five sections.
  void parameterLayout() {
    Rig r;
    const QString path = dir_.filePath("set.pmt");
    ParametaRecord p;
    p.ActCode = u"28L100"_qs;
    const QStringList list = FillParaPrintList(p, u"set.pmt"_qs, Messages(10000));
    RecordingPage page;
    ReportWriter(page, Messages(10000)).PrintParameters(list, true);
    QCOMPARE(page.ops.mid(0, 3), (QStringList{"text 20,4 11 ZT-KOV  Parameters", "text 80,4 11 File Name:set.pmt",
                                               "line 20,8-180,8 w1"}));
    QCOMPARE(page.ops.value(3), u"text 20,12 11 << HOMING PARAMETER >>"_qs);
    QCOMPARE(page.ops.value(4), u"text 20,16 11  1.OFFSET:"_qs);
    QCOMPARE(page.ops.value(5), u"text 80,16 11 0"_qs);
    QVERIFY(page.ops.contains(u"text 20,32 11 << AXIS PARAMETER >>"_qs)); // an empty line between
    QCOMPARE(page.ops.last(), u"end"_qs);
    RecordingPage screen;
    ReportWriter(screen, Messages(10000)).PrintParameters(list, false);
    QVERIFY(!screen.ops.join(u'|').contains(u"File Name:"_qs));
  }

  void refusals_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("edit"); // "box=text"
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty parameter") << "PrintParaScreen" << "txtHomeVel="
                                     << "No data in some of parameters.\r\n Please fill the data in and try it again.";
    QTest::newRow("parameter out of range") << "PrintParaScreen" << "txtHomeVel=61"
                                            << "Invalid value in some parameters.\r\nConfirm the value, and try it again.";
    QTest::newRow("print dialog cancelled") << "PrintScreenData" << "" << "";
    QTest::newRow("parameter file, cancelled") << "PrintParaFile" << "" << "Printing parameters saved into the file.";
  }

  // Refused or cancelled: nothing printed, only the refusal's message.
  void refusals() {
    QFETCH(QString, command);
    QFETCH(QString, edit);
    Rig r;
    r.page.ParametaSet = standard28();
    r.page.ParametaHyoji();
    r.f.txtGEAR.setText("10");
    r.f.txtDIVISION.setText("8");
    if (!edit.isEmpty())
      r.f.find(edit.section(u'=', 0, 0))->setText(edit.section(u'=', 1));
    r.target.accept = false;
    if (command == u"PrintParaScreen")
      r.print.PrintParaScreen();
    else if (command == u"PrintScreenData")
      r.print.PrintScreenData();
    else
      r.print.PrintParaFile();
    QFETCH(QString, shown);
    QCOMPARE(r.dialogs.shown, shown.isEmpty() ? QStringList() : QStringList{shown});
    QVERIFY(!r.target.printed);
    QVERIFY(r.f.cmdDataPrint.isEnabled() && r.f.cmdParaPrint.isEnabled() && r.f.mnuFile.isEnabled());
  }

  // The file choice with its placeholder still shown is refused and the
  // dialog stays open; a chosen file prints.
  void printSelect() {
    Rig r;
    const QString path = write("a.ztd", "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n"
                                        "0,\"1500\",\"2\",\"\",\"\",\"0\",\"8\",\"2\",\"\"\r\n");
    bool stayedOpen = false;
    QTimer::singleShot(0, this, [&] {
      QVERIFY(!r.s.optPrintPosi(0).isVisible()); // files only
      QVERIFY(r.s.optPrintPosi(1).isChecked());
      QCOMPARE(r.s.lblPrintPosiName.text(), u"Position Data(xxxx.ztd)"_qs);
      r.s.cmdPrintSet.click();
      stayedOpen = r.s.form.isVisible();
      r.dialogs.files = {path};
      r.s.cmdSelectPosiFile.click();
      QCOMPARE(r.dialogs.fileDialogs.last().title, u"Specify Position Data file to be printed."_qs);
      QCOMPARE(r.s.lblPrintPosiName.text(), u"a.ztd"_qs);
      r.s.cmdPrintSet.click();
    });
    QCOMPARE(r.print.PrintFileData(), qint16(0));
    QVERIFY(stayedOpen);
    QCOMPARE(r.dialogs.shown, QStringList{u"Invalid file name. Confirm file name and print it again."_qs});
    QVERIFY(r.target.page.ops.contains(u"text 120,4 11bi File Namea.ztd"_qs));
    QCOMPARE(r.m.FilePrintMode, qint16(0));

    // From the menu both choices show; Cancel prints nothing.
    Rig menu;
    QTimer::singleShot(0, this, [&] {
      QVERIFY(menu.s.optPrintPosi(0).isVisible() && menu.s.optPrintPosi(0).isChecked());
      QVERIFY(!menu.s.cmdSelectPosiFile.isEnabled());
      menu.s.optPrintPosi(1).setChecked(true);
      QVERIFY(menu.s.cmdSelectPosiFile.isEnabled());
      menu.s.cmdPrintCancel.click();
    });
    QCOMPARE(menu.print.PrintFromMenu(), qint16(1));
    QCOMPARE(menu.target.dialogs, 0);
  }
};

QTEST_MAIN(tst_Print)
#include "tst_print.moc"
