#include "keys.h"
#include "programrig.h"
#include "reports.h"

using Edit = std::function<void(ParametaRecord &)>;

namespace {
// A page of 190 x 277 mm keeping each text drawn, "bi|" before one drawn
// bold and italic, the clock's stamp as "<stamp>".
class RecordingPage : public Page {
public:
  QStringList texts;
  QStringList raw;     // as drawn
  QList<QRectF> boxes; // where
  PageFont font;
  bool ended = false;
  double width() const override { return 190; }
  double height() const override { return 277; }
  void setFont(const PageFont &f) override { font = f; }
  double textHeight(const QString &) override { return font.size * 0.35; }
  double textWidth(const QString &t) override { return 2.0 * double(t.size()); }
  void setDrawWidth(int) override {}
  void line(double, double, double, double) override {}
  void text(double x, double y, const QString &t) override {
    const bool stamp = QRegularExpression("^\\d{4}/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d$").match(t).hasMatch();
    texts << QString(font.bold ? "b" : "") + (font.italic ? "i|" : "|") + (stamp ? "<stamp>" : t.simplified());
    raw << t;
    boxes << QRectF(x, y, textWidth(t), textHeight(t));
  }
  void newPage() override { texts << "<new page>", raw << QString(), boxes << QRectF(); }
  void end() override { ended = true; }
};

// Keeps the report and the preview flag of each print dialog and each
// report; the print dialog answers `accept`.
class RecordingTarget : public PrintTarget {
public:
  bool accept = true;
  QList<bool> chosen, printed;
  RecordingPage page;
  bool choose(bool preview) override { return chosen << preview, accept; }
  void print(const std::function<void(Page &)> &draw, bool preview) override {
    printed << preview;
    page.texts.clear();
    draw(page);
  }
};

const QByteArray Station = "\"ZT-M5\",\"Position\"\r\n\"\",\"NEW\"\r\n0,\"3000\",\"2\",\"\",\"\",\"1\",\"8\",\"10\",\"\"\r\n";
} // namespace

// The program with index data on screen (VEL 10, ACC 2, division 8, gear
// 10, CCW) and a file beside, which the file dialogs choose.
struct Rig : ProgramRig<> {
  RecordingTarget target;
  FrmPrintSelect &s = p.frmPrintSelect;
  const QString file = kt::path("station.ztd");
  explicit Rig(qint16 languege = 2) : ProgramRig(languege) {
    p.print.target = &target;
    kt::writeFile(file, Station);
    dialogs.files = {file};
    kt::type(f().txtGEAR, "10");
    kt::type(f().txtDIVISION, "8");
    f().comboVEL.setText("10");
    f().comboACC.setText("2");
    f().optCCW.setChecked(true);
  }
};

class tst_Print : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void indexReport_data() {
    QTest::addColumn<int>("languege");
    QTest::addColumn<bool>("fromFile");
    for (int languege : {1, 2})
      for (bool fromFile : {false, true})
        QTest::addRow("%s, %s", languege == 1 ? "Japanese" : "English", fromFile ? "file" : "screen")
            << languege << fromFile;
  }
  // Title, file line for a file, the stamp, all bold italic; the five lines
  // plain. From a file, VEL is column 1 x column 7 / 300.
  void indexReport() {
    QFETCH(int, languege);
    QFETCH(bool, fromFile);
    Rig r{qint16(languege)};
    QCOMPARE(fromFile ? r.p.print.printIndexFile(r.file) : r.p.print.PrintScreenData(), qint16(0));
    auto m = [languege](int n) { return kt::msg(n, languege); };
    QStringList expected{"bi|" + m(3000) + ' ' + m(3001), "bi|<stamp>"};
    if (fromFile)
      expected.insert(1, "bi|" + m(212) + "station.ztd");
    expected << "|" + m(3002) + " : " + (fromFile ? "100" : "10") << "|" + m(3003) + " : 2"
             << "|" + m(3004) + " : 8" << "|" + m(3005) + " : 10" << "|" + m(3008) + " : CCW";
    QCOMPARE(r.target.page.texts, expected);
    QVERIFY(r.target.page.ended && r.dialogs.shown.isEmpty());
  }

  void commands_data() {
    QTest::addColumn<QString>("command"); // empty: a file's report from the command line
    QTest::addColumn<QString>("choice");  // in the print setting dialog, then OK
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QList<bool>>("previews"); // of the print dialog, and of the report printed
    QTest::addColumn<QStringList>("shown");
    using B = QList<bool>;
    const QStringList none, badName{kt::msg(1824)};
    QTest::newRow("Data Print") << "cmdDataPrint" << "" << true << B{false} << none;
    QTest::newRow("File Print") << "cmdFilePrint" << "browse" << true << B{false} << none;
    QTest::newRow("a file from the command line") << "" << "" << true << B{false} << none;
    QTest::newRow("File > Print") << "mnuFilePrint" << "" << true << B{false} << none;
    QTest::newRow("File > Print Preview") << "mnuFilePrintPreview" << "" << true << B{true} << none;
    QTest::newRow("print dialog cancelled") << "cmdDataPrint" << "" << false << B{false} << none;
    QTest::newRow("parameters with no value") << "cmdParaPrint" << "" << true << B{} << QStringList{kt::msg({7, 8})};
    // The file is refused, the dialog left open, unless both the file and its name are there.
    QTest::newRow("File Print, nothing chosen") << "cmdFilePrint" << "" << true << B{} << badName;
    QTest::newRow("File Print, a name, no file") << "cmdFilePrint" << "name" << true << B{} << badName;
    QTest::newRow("File Print, a file, no name") << "cmdFilePrint" << "file" << true << B{} << badName;
  }
  // Printing prints and only the preview previews; refused or cancelled,
  // nothing is printed. The commands are back afterwards.
  void commands() {
    QFETCH(QString, command);
    QFETCH(QString, choice);
    QFETCH(bool, accept);
    QFETCH(QList<bool>, previews);
    Rig r;
    r.target.accept = accept;
    bool parameterChoice = false; // the index data's print setting offers no parameters
    if (command.startsWith(u"mnu") || command == u"cmdFilePrint")
      QTimer::singleShot(0, &r.p, [&] {
        parameterChoice = r.s.optPrintPara.isVisible() || r.s.cmdSelectParaFile.isVisible();
        if (choice == u"browse")
          r.s.cmdSelectPosiFile.click();
        if (choice == u"name")
          r.s.lblPrintPosiName.setText("station.ztd");
        if (choice == u"file")
          r.p.print.PrintFileName = r.file;
        r.s.cmdPrintSet.click();
        if (r.s.form.isVisible())
          r.s.cmdPrintCancel.click();
      });
    if (command.isEmpty())
      QCOMPARE(r.p.print.printIndexFile(r.file), qint16(0));
    else
      r.f().find(command)->click();
    QCOMPARE(r.target.chosen, previews);
    QCOMPARE(r.target.printed, accept ? previews : QList<bool>());
    QCOMPARE(r.target.page.ended, accept && !previews.isEmpty());
    QTEST(r.dialogs.shown, "shown");
    QVERIFY(!parameterChoice);
    if (choice == u"browse") // position files offered
      QVERIFY(r.dialogs.fileDialogs.value(0).filter.contains(u"*.ztd"));
    QVERIFY(r.f().cmdDataPrint.isEnabled() && r.f().cmdParaPrint.isEnabled() && r.f().mnuFile.isEnabled());
    QVERIFY(r.f().SSTab1.isTabEnabled(0) && r.f().SSTab1.isTabEnabled(1) && r.p.m.FilePrintMode == 0);
  }

  void comparisonReport_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("the count just above the footer") << 55 << 1;
    QTest::newRow("the count on a page of its own") << 56 << 2;
  }
  // A long source wrapped within the page; each page's footer, below every
  // row, holds its number and the comparison's time; the count stays on the
  // last row's page whenever it fits there.
  void comparisonReport() {
    QFETCH(int, rows);
    QFETCH(int, pages);
    const QString source = u"/srv/"_qs + QString(u"line seven station/"_qs).repeated(12), stamp = "2024/05/06  07:08:09";
    ParamCompare::Report report{{}, {}, source, u"B"_qs, QDateTime::fromString(stamp, "yyyy/MM/dd  HH:mm:ss"), {}};
    report.rows.fill(paramdiff::Row{0, 1, u"OFFSET"_qs, u"30"_qs, u"31"_qs, true}, rows);
    RecordingPage page;
    ReportWriter(page, Messages(msgtable::EnglishBase), report.when).PrintComparison(report, u"COUNT"_qs);
    QVERIFY(page.texts.count("<new page>") + 1 == pages && page.texts.last() == u"|COUNT");
    double footer = page.height();
    int number = 0;
    for (qsizetype i = 0; i < page.texts.size(); ++i) {
      if (page.texts[i] == u"|"_qs + kt::msg(5323).arg(number + 1) && ++number)
        footer = page.boxes[i].top();
      else if (page.raw[i] == stamp)
        QCOMPARE(page.boxes[i].top(), footer);
      else if (!page.raw[i].isEmpty())
        QVERIFY(page.boxes[i].right() <= page.width() && page.boxes[i].bottom() < footer);
    }
    QString wrapped;
    for (qsizetype i = page.raw.indexOf(u"A: "_qs) + 1; page.raw[i] != u"B: "; ++i)
      wrapped += page.raw[i];
    QVERIFY(number == pages && wrapped == source);
  }

  void parameterReport_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("printed");
    auto row = [](const char *name, Edit edit, const char *label, const QString &printed, bool fromFile = false) {
      QTest::newRow(name) << edit << fromFile << label << printed;
    };
    row("PG function 0", [](ParametaRecord &p) { p.PgFunc = 0; }, "1.FUNCTION:", kt::msg(652));
    row("PG function 1", [](ParametaRecord &p) { p.PgFunc = 1; }, "1.FUNCTION:", kt::msg(653));
    row("PG function 2 as it is", [](ParametaRecord &p) { p.PgFunc = 2; }, "1.FUNCTION:", "2");
    row("auto drive 1", [](ParametaRecord &p) { p.AxisAutoDrv = 1; }, "2.AUTO DRIVE:", kt::msg(642));
    row("motor 20 is SP", [](ParametaRecord &p) { p.ActCode = "20L100"; }, "3.MOTOR:", "SP");
    row("home out 3", [](ParametaRecord &p) { p.HomeOut = 3; }, "1. HOME OUT:", kt::msg(660));
    row("emergency logic 0", [](ParametaRecord &p) { p.EmgLogic = 0; }, "4. EMG LOGIC:", kt::msg(691));
    row("auto home 0", [](ParametaRecord &p) { p.AutoHome = 0; }, "2. AUTO HOME:", kt::msg(655));
    row("auto home 1", [](ParametaRecord &p) { p.AutoHome = 1; }, "2. AUTO HOME:", kt::msg(656));
    row("alarm clear 1", [](ParametaRecord &p) { p.AlarmAutoClear = 1; }, "5. ALM1 CLEAR:", kt::msg(656));
    row("file line", [](ParametaRecord &) {}, "ZT-KOV Parameters", kt::msg(25) + "set.pmt", true);
    row("no file line for the page", [](ParametaRecord &) {}, "ZT-KOV Parameters", "<< HOMING PARAMETER >>");
  }
  // Each value in its slot of the report, translated where the table says;
  // nothing in the parameter report is bold or italic.
  void parameterReport() {
    QFETCH(Edit, edit);
    QFETCH(bool, fromFile);
    ParametaRecord p;
    edit(p);
    RecordingPage page;
    const Messages en(msgtable::EnglishBase);
    ReportWriter(page, en).PrintParameters(FillParaPrintList(p, "set.pmt", en), fromFile);
    QFETCH(QString, label);
    QFETCH(QString, printed);
    QCOMPARE(page.texts.value(page.texts.indexOf("|" + label) + 1), "|" + printed);
    QVERIFY(page.ended && page.texts.filter(QRegularExpression("^[bi]")).isEmpty());
  }
};

KOV_TEST_MAIN(tst_Print)
#include "tst_print.moc"
