#include "paramblocks.h"
#include "paramrig.h"

#include <QSignalSpy>

using namespace paramblocks;

namespace {

const QString Ask = kt::msg(470), Done = kt::msg(1527), Failed = kt::msg(1528), Blank = kt::msg({7, 8});
const QString Length = kt::msg({105, 106}), WrongData = kt::msg({384, 385}), Invalid = kt::msg({1524, 1525});
const QString Timeout = QStringList{kt::msg(100), kt::msg(101), kt::msg(102), kt::msg(103)}.join("\r\n\r\n");

// The standard set as written: taking the page in makes Aux02 and Aux05 1.
const QByteArray W0 = "0WD0001E010A0A0100006400" "7D00000100" "00";
const QByteArray W2 = "0WD200000000000000000000" "0A0A00000000";
QByteArray w1(const char *size, const char *motor) {
  return "0WD10202019000FFFF1400" + QByteArray(size) + "4C0064" + motor + "0000";
}
QByteArray block7(const char *count) { return "012C00960032" + QByteArray(count) + "00C8006400000000"; }

std::array<QByteArray, 3> replies(const ParametaRecord &p) {
  return {"0RD" + EncodeBlock(0, p) + "\r\n", "0RD" + EncodeBlock(1, p) + "\r\n", "0RD" + EncodeBlock(2, p) + "\r\n"};
}

// "code kind": the reply to `code` is silent, garbage or of the wrong length;
// "status n": the controller stopped in state n; "answer No": to the question.
void inject(ParamRig &r, const QByteArray &fault) {
  const QList<QByteArray> f = fault.split(' ');
  if (f[0] == "status")
    r.sim().setStatus(f[1].toInt());
  else if (f[0] == "answer")
    r.dialogs.answers = {Dialogs::Answer::No};
  else if (!fault.isEmpty())
    r.sim().setFault(f[0], f[1] == "silent"  ? ControllerSim::Fault::NoReply
                           : f[1] == "long" ? ControllerSim::Fault::WrongLength
                                            : ControllerSim::Fault::Garbage);
}

} // namespace

class tst_ParamTransfer : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  void codecExamples() {
    const auto r = replies(standard28());
    QVERIFY(!DecodeBlocks({r[1], r[0], r[2]})); // another block's reply answers none
    // 18.75 up; 37.5 and 262.5: a half to the even neighbour.
    const std::pair<const char *, int> counts[] = {{"0.1", 19}, {"0.2", 38}, {"1.4", 262}, {"349.52", 0xFFFF}};
    for (const auto &[text, count] : counts)
      QCOMPARE(CountOfCurrent(text), std::optional(count));
    // No count beyond four digits, never an overflow (one found by fuzzing);
    // 349.522666666666 A lands on the half 65535.5 and rounds up to 65536.
    const QString found = QString::fromLatin1(kt::readFile(QFINDTESTDATA("../data/fuzz/current-overflow.txt")));
    for (const QString &text : {u"349.522666666666"_qs, u"349.6"_qs, u"-0.01"_qs, u"-1e300"_qs, u"1e9"_qs, found})
      QVERIFY2(!CountOfCurrent(text), qPrintable(text));
  }

  // Each field at the top of its bytes comes back from the blocks; one more,
  // or below zero, is refused before it could shift the bytes after it.
  void fieldLimits_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("bytes");
    const QMap<int, int> wide{{1, 2}, {6, 3}, {8, 2}, {14, 2}, {17, 3}, {18, 3}, {39, 2}};
    for (int n = 1; n <= 39; ++n)
      if (n != 12 && n != 36) // composed, derived
        QTest::addRow("parameter %d", n) << n << wide.value(n, 1);
  }

  void fieldLimits() {
    QFETCH(int, n);
    QFETCH(int, bytes);
    auto with = [n, standard = *DecodeBlocks(replies(standard28()))](qint64 v) {
      ParametaList a = standard;
      a[std::size_t(n)] = n == 37 ? QVariant(QString::number(v))
                        : n == 38 ? QVariant(v < 0 ? QString() : QString(QChar(char16_t(v))))
                                  : QVariant(v);
      ParametaRecord p;
      bool pg, editable;
      CopyParaArray(a, p, pg, editable);
      return std::pair{p, a[std::size_t(n)].toString()};
    };
    const qint64 top = n == 39 ? 0x7FFF : (qint64(1) << 8 * bytes) - 1;
    const auto [p, text] = with(top);
    QVERIFY(FieldsTooWide(p).isEmpty());
    QCOMPARE((*DecodeBlocks(replies(p)))[std::size_t(n)].toString(), text);
    if (n != 39) // the model number's type ends below its bytes
      QCOMPARE(FieldsTooWide(with(top + 1).first).size(), 1);
    QCOMPARE(FieldsTooWide(with(-1).first).size(), 1);
  }

  void read_data() {
    QTest::addColumn<bool>("sp");
    QTest::addColumn<Lines>("wire");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArray>("fault"); // see inject()
    auto row = [](const char *name, bool sp, const Lines &wire, const QStringList &messages, const char *fault = "") {
      QTest::newRow(name) << sp << wire << messages << QByteArray(fault);
    };
    const Lines all{"0CM6", "0RD1", "0RD0", "0RD0", "0RD1", "0RD2", "0RD7"};
    row("size 28", false, all, {});
    row("size SP", true, all, {});
    row("SP, block 7 unanswered", true, all, {Timeout}, "0RD7 silent");
    row("SP, block 7 not hex", true, all, {WrongData}, "0RD7 garbage");
    row("identity unanswered", false, {"0CM6", "0RD1"}, {Timeout, kt::msg(356)}, "0RD1 silent");
    row("identity too long", false, {"0CM6", "0RD1", "0CM6"}, {Length, kt::msg(356)}, "0RD1 long");
    row("block 2 too long", false, all.mid(0, 6) + Lines{"0CM6"}, {Length}, "0RD2 long");
    row("block 2 not hex", false, all.mid(0, 6), {WrongData}, "0RD2 garbage");
  }

  // A read shows the controller's set, then its current; a set that could
  // not be read leaves the page as it was.
  void read() {
    QFETCH(bool, sp);
    QFETCH(QByteArray, fault);
    ParamRig r;
    ParametaRecord before = standard28(), controller = standard28();
    before.HomeOffset = 55;
    r.show(before);
    const QStringList beforeTexts = r.texts();
    r.sim().setBlock(7, QByteArray::fromHex(block7("012C")));
    if (sp)
      r.sim().setBlock(1, QByteArray::fromHex("02020190 00FFFF 1400 144C 0064 030000"));
    inject(r, fault);
    r.f.cmdParaRead.click();
    QTEST(r.wire(), "wire");
    QTEST(r.dialogs.shown, "messages");
    QVERIFY(r.settled());
    if (!r.wire().contains("0RD7")) { // the set not read
      QCOMPARE(r.page.ParametaSet, before);
      QCOMPARE(r.texts(), beforeTexts);
      return;
    }
    controller.ActSize = sp ? "SP" : "28";
    controller.ActCode = sp ? "20L100" : "28L100";
    QCOMPARE(r.page.ParametaSet, controller);
    QCOMPARE(r.f.txtDenryu.text(), !sp ? u"1.5"_qs : r.dialogs.shown.isEmpty() ? u"1.6"_qs : QString());
  }

  void write_data() {
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<Lines>("wire");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArray>("fault"); // see inject()
    auto row = [](const char *name, const QStringList &edits, const Lines &wire, const QStringList &messages,
                  const char *fault = "") { QTest::newRow(name) << edits << wire << messages << QByteArray(fault); };
    const QStringList sp{"comboActSize=SP", "txtDenryu=1.2"};
    const Lines spWire{"0RA", W0, w1("14", "03"), W2, "0WE", "0RD7", "0WD7" + block7("00E1"), "0WF"};
    row("answered No", {}, {}, {Ask}, "answer No");
    // Refusals come before the question; 0 A is never meant.
    row("blank box", {"txtHomeVel="}, {}, {Blank});
    row("out of range", {"txtHomeVel=61"}, {}, {Invalid});
    row("too wide for its byte", {"txtInpLimit=256"}, {}, {Invalid});
    row("size SP, zero current", {"comboActSize=SP", "txtDenryu=0.0"}, {},
        {kt::msg(5211).arg(kt::msg(5218)) + u"\r\n"_qs + kt::msg(8)}); // the box named
    row("moving", {}, {"0RA"}, {Ask, kt::msg(424)}, "status 0");
    row("status 2", {}, {"0RA"}, {Ask, Failed}, "status 2");
    row("size 28", {}, {"0RA", W0, w1("1C", "00"), W2, "0WE"}, {Ask, Done});
    row("size SP", sp, spWire, {Ask, Done});
    row("wrong echo", {}, {"0RA", W0}, {Ask, WrongData, Failed}, "0WD garbage");
    row("block 2 unanswered", {}, {"0RA", W0, w1("1C", "00"), W2}, {Ask, Timeout, Failed}, "0WD2 silent");
    row("size SP, block 7 read garbled", sp, spWire.mid(0, 6), {Ask, WrongData, Failed}, "0RD7 garbage");
  }

  // What goes out and what is said; the commands stay locked meanwhile.
  void write() {
    QFETCH(QStringList, edits);
    QFETCH(QByteArray, fault);
    ParamRig r;
    r.edit(edits);
    r.dialogs.answers = {Dialogs::Answer::Yes};
    inject(r, fault);
    bool locked = true;
    connect(&r.sim(), &ControllerSim::lineReceived, this, [&](const QByteArray &l) {
      locked = locked && (l == "0RA" || (r.p.frmTrance.form.isVisible() && r.dialogs.busyDepth == 1)) &&
               !r.f.cmdParaRead.isEnabled() && !r.f.cmdLoadtoCt.isEnabled() && !r.f.mnuCont.isEnabled();
    });
    QSignalSpy focus(&r.f.txtHomeVel, &Control::focusRequested); // a range refusal's box
    QSignalSpy currentFocus(&r.f.txtDenryu, &Control::focusRequested);
    const qint16 result = r.p.paramTransfer.cmdParaWrite_Click();
    QTEST(r.wire(), "wire");
    QTEST(r.dialogs.shown, "messages");
    QCOMPARE(result, r.dialogs.last() == Done ? 0 : 1);
    QVERIFY(locked && r.settled());
    // The progress bar counts the exchanges after the status check.
    if (result == 0)
      QCOMPARE(r.p.frmTrance.prgBar1.value(), int(r.wire().size()) - 1);
    if (edits == QStringList{"txtHomeVel=61"}) { // a range refusal names the field with its limits
      const QString name = r.f.framHomePara.text() + u' ' + r.f.lblHomeVel.text();
      QCOMPARE(r.dialogs.statuses, QStringList{kt::msg(5007).arg(name, u"61"_qs, u"1"_qs, u"60"_qs)});
      QCOMPARE(focus.size(), 1);
    }
    QCOMPARE(currentFocus.size(), edits.contains(u"txtDenryu=0.0"_qs) ? 1 : 0);
  }
};

KOV_TEST_MAIN(tst_ParamTransfer)
#include "tst_paramtransfer.moc"
