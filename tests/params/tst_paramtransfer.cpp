#include "paramblocks.h"
#include "paramrig.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace paramblocks;

namespace {

const QString Ask = u"Send parameters to controller?"_qs;
const QString Done = u"Completed writing parameters."_qs;
const QString Failed = u"Fail to Write parameters."_qs;
const QString Invalid = u"Invalid value in some parameters.\r\nConfirm the value, and try it again."_qs;
const QString Blank = u"No data in some of parameters.\r\n Please fill the data in and try it again."_qs;
const QString Length = u"Communication data length error occurs!\r\nLength of data is wrong."_qs;

// The standard set as written: taking the page in makes Aux02 and Aux05 1.
const QByteArray W0 = "0WD0001E010A0A0100006400" "7D00000100" "00";
const QByteArray W2 = "0WD200000000000000000000" "0A0A00000000";
QByteArray w1(const char *size, const char *motor) {
  return "0WD10202019000FFFF1400" + QByteArray(size) + "4C0064" + motor + "0000";
}
QByteArray block7(const char *count) { return "012C00960032" + QByteArray(count) + "00C8006400000000"; }

std::array<QByteArray, 3> replies(const ParametaRecord &p) {
  return {"0RD" + EncodeBlock(0, p) + "\r\n", "0RD" + EncodeBlock(1, p) + "\r\n",
          "0RD" + EncodeBlock(2, p) + "\r\n"};
}

} // namespace

class tst_ParamTransfer : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

private Q_SLOTS:
  void initTestCase() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    Link::setTimeoutScale(0.01);
  }
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  void codecExamples() {
    ParametaRecord p = standard28();
    p.HomeOffset = 300;
    p.Aux02 = 1;
    QVERIFY(EncodeBlock(0, p).startsWith("0012C010A"));
    QCOMPARE(EncodeBlock(1, p).mid(19, 10), "1C4C006400");
    p.ActSize = "E35"; // size 35 with the type letter E, motor code 4
    QCOMPARE(EncodeBlock(1, p).mid(19, 10), "2345006404");
    QCOMPARE(Block7WithCount(block7("0000"), *CountOfCurrent("1.5")), block7("0119"));
    QCOMPARE(CurrentText(300) + CurrentText(225), u"1.61.2"_qs);
    // 18.75 up; 37.5 and 262.5: a half to the even neighbour.
    QCOMPARE((QList<std::optional<int>>{CountOfCurrent("0.1"), CountOfCurrent("0.2"),
                                        CountOfCurrent("1.4"), CountOfCurrent("349.52")}),
             (QList<std::optional<int>>{19, 38, 262, 0xFFFF}));
    // Far outside the entry range (found by fuzzing): no count, never overflow.
    QFile found(QFINDTESTDATA("../data/fuzz/current-overflow.txt"));
    QVERIFY(found.open(QIODevice::ReadOnly));
    for (const QString &text : {u"349.6"_qs, u"-0.01"_qs, u"-1e300"_qs, u"1e9"_qs,
                                QString::fromLatin1(found.readAll())})
      QVERIFY2(!CountOfCurrent(text), qPrintable(text));
  }

  // Each field at the top of its bytes reads back; one more, or below zero,
  // is refused. Where each lands: the round trip and the wire of the write.
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

  // A whole set through the three blocks and back; the motor code follows
  // size and type.
  void roundTrip() {
    ParametaRecord p = standard28();
    p.ActSize = "42"; p.ActType = "D"; p.ActModelNo = 321; p.ActCode = "42D321"; p.Reserved = {1, 2, 3, 4, 5, 6, 7};
    const auto a = DecodeBlocks(replies(p));
    QVERIFY(a);
    QCOMPARE((*a)[36].toInt(), 5); // motor code of a 42 D
    ParametaRecord back;
    bool pg = false, editable = false;
    CopyParaArray(*a, back, pg, editable);
    QCOMPARE(back, p);
    // A reply that carries another block is no reply to this one.
    std::array<QByteArray, 3> swapped = replies(p);
    std::swap(swapped[0], swapped[1]);
    QVERIFY(!DecodeBlocks(swapped));
  }

  void read_data() {
    QTest::addColumn<bool>("sp");
    QTest::addColumn<Lines>("wire");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("denryu"); // null: nothing taken over
    QTest::addColumn<QByteArray>("faultOn");
    QTest::addColumn<ControllerSim::Fault>("fault");
    QTest::addColumn<int>("shortNth");
    using F = ControllerSim::Fault;
    auto row = [](const char *name, bool sp, const Lines &wire, const QStringList &messages, const QString &denryu,
                  const QByteArray &faultOn = {}, F fault = F::None, int shortNth = -1) {
      QTest::newRow(name) << sp << wire << messages << denryu << faultOn << fault << shortNth;
    };
    const Lines all{"0CM6", "0RD1", "0RD0", "0RD0", "0RD1", "0RD2", "0RD7"};
    const QString check = u"Failed check of parameters."_qs;
    row("size 28", false, all, {}, "1.5");
    row("size SP", true, all, {}, "1.6");
    row("SP, block 7 unanswered", true, all, {Timeout}, "", "0RD7", F::NoReply);
    row("SP, block 7 not hex", true, all, {WrongData}, "", "0RD7", F::Garbage);
    row("identity unanswered", false, {"0CM6", "0RD1"}, {Timeout, check}, {}, "0RD1", F::NoReply);
    row("identity short", false, {"0CM6", "0RD1", "0CM6"}, {Length, check}, {}, {}, F::None, 0);
    row("block 1 short", false, all.mid(0, 5) + Lines{"0CM6"}, {Length}, {}, {}, F::None, 1);
    row("block 2 not hex", false, all.mid(0, 6), {WrongData}, {}, "0RD2", F::Garbage);
  }

  void read() {
    QFETCH(QByteArray, faultOn);
    QFETCH(int, shortNth);
    QFETCH(bool, sp);
    QFETCH(QString, denryu);
    ParamRig r;
    ParametaRecord before = standard28();
    before.HomeOffset = 55; before.Aux10 = 7;
    r.show(before);
    const QStringList beforeTexts = r.pageTexts();
    r.sim().setBlock(7, QByteArray::fromHex(block7("012C")));
    if (sp)
      r.sim().setBlock(1, QByteArray::fromHex("02020190 00FFFF 1400 144C 0064 030000"));
    QFETCH(ControllerSim::Fault, fault);
    if (!faultOn.isEmpty())
      r.sim().setFault(faultOn, fault);
    r.line.shortNth = shortNth;
    r.f.cmdParaRead.click();
    QTEST(r.wire(), "wire");
    QTEST(r.dialogs.shown, "messages");
    QVERIFY(r.settled());
    QCOMPARE(r.link.CommError, !r.dialogs.shown.isEmpty());
    if (denryu.isNull()) {
      QCOMPARE(r.page.ParametaSet, before);
      QCOMPARE(r.pageTexts(), beforeTexts);
      return;
    }
    ParametaRecord controller = standard28();
    if (sp) {
      controller.ActSize = "SP";
      controller.ActCode = "20L100";
    }
    QCOMPARE(r.page.ParametaSet, controller);
    QCOMPARE(r.f.comboActSize.text(), controller.ActSize);
    QCOMPARE(r.f.txtDenryu.text(), denryu);
  }

  // What the controller holds comes back unchanged, or not at all.
  void readThenWriteBack_data() {
    QTest::addColumn<int>("homeOut");
    QTest::addColumn<int>("axisAutoDrv");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("home output 2") << 2 << 0 << QStringList{Ask, Done};
    QTest::newRow("home output 3") << 3 << 1 << QStringList{Ask, Done};
    QTest::newRow("auto drive without item") << 0 << 7 << QStringList{Blank};
  }

  void readThenWriteBack() {
    ParamRig r;
    ParametaRecord p = standard28();
    p.Aux02 = p.Aux05 = 1; // what a write always sends
    QFETCH(int, homeOut);
    QFETCH(int, axisAutoDrv);
    p.HomeOut = qint16(homeOut);
    p.AxisAutoDrv = qint16(axisAutoDrv);
    for (int n : {0, 1, 2}) {
      const QByteArray bytes = QByteArray::fromHex(EncodeBlock(n, p).mid(1));
      r.sim().setBlock(n, bytes);
    }
    const QList<QByteArray> before{r.sim().block(0), r.sim().block(1), r.sim().block(2)};
    QCOMPARE(r.transfer.cmdParaRead_Click(), qint16(0));
    r.dialogs.answers = {Dialogs::Answer::Yes};
    r.dialogs.shown.clear();
    r.transfer.cmdParaWrite_Click();
    QTEST(r.dialogs.shown, "messages");
    QCOMPARE((QList<QByteArray>{r.sim().block(0), r.sim().block(1), r.sim().block(2)}), before);
  }

  void write_data() {
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<Lines>("wire");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("status");
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::addColumn<QByteArray>("garbled"); // the command whose replies are garbage
    using A = Dialogs::Answer;
    auto row = [](const char *name, const QStringList &edits, const Lines &wire, const QStringList &messages,
                  int status = 1, A answer = A::Yes, const QByteArray &garbled = {}) {
      QTest::newRow(name) << edits << wire << messages << status << answer << garbled;
    };
    auto sp = [](const char *count) {
      return Lines{"0RA", W0, w1("14", "03"), W2, "0WE", "0RD7", "0WD7" + block7(count), "0WF"};
    };
    row("answered No", {}, {}, {Ask}, 1, A::No);
    // Refusals come before the question.
    row("blank box", {"txtHomeVel="}, {}, {Blank});
    row("out of range", {"txtHomeVel=61"}, {}, {Invalid});
    row("too wide for its byte", {"txtInpLimit=256"}, {}, {Invalid});
    row("moving", {}, {"0RA"}, {Ask, "The writing of data is not made during movement."}, 0);
    row("status 2", {}, {"0RA"}, {Ask, Failed}, 2);
    row("size 28", {}, {"0RA", W0, w1("1C", "00"), W2, "0WE"}, {Ask, Done});
    row("size SP", {"comboActSize=SP", "txtDenryu=1.2"}, sp("00E1"), {Ask, Done});
    // 0 A is never meant: refused as a blank, nothing sent.
    row("size SP, no current", {"comboActSize=SP", "txtDenryu="}, {}, {Blank});
    row("size SP, zero current", {"comboActSize=SP", "txtDenryu=0.0"}, {}, {Blank});
    row("wrong echo", {}, {"0RA", W0}, {Ask, WrongData, Failed}, 1, A::Yes, "0WD");
    row("size SP, block 7 read garbled", {"comboActSize=SP", "txtDenryu=1.2"}, sp("0000").mid(0, 6),
        {Ask, WrongData, Failed}, 1, A::Yes, "0RD7");
  }

  void write() {
    QFETCH(QStringList, edits);
    QFETCH(Dialogs::Answer, answer);
    QFETCH(int, status);
    QFETCH(QByteArray, garbled);
    QFETCH(Lines, wire);
    ParamRig r;
    r.edit(edits);
    r.dialogs.answers = {answer};
    r.sim().setStatus(status);
    if (!garbled.isEmpty())
      r.sim().setFault(garbled, ControllerSim::Fault::Garbage);
    QList<int> steps; // the busy window's count as each block goes out
    bool locked = true;
    connect(&r.sim(), &ControllerSim::lineReceived, this, [&r, &steps, &locked](const QByteArray &l) {
      if (l == "0RA")
        return;
      steps << r.t.prgBar1.value();
      locked = locked && r.t.form.isVisible() && r.dialogs.busyDepth == 1 &&
               !r.f.cmdParaRead.isEffectivelyEnabled() && !r.f.cmdLoadtoCt.isEffectivelyEnabled() &&
               !r.f.mnuCont.isEnabled() && !r.f.SSTab1.isTabEnabled(0);
    });
    QSignalSpy focus(&r.f.txtHomeVel, &Control::focusRequested);
    const qint16 result = r.transfer.cmdParaWrite_Click();
    QCOMPARE(r.wire(), wire);
    // A range refusal names the field with its limits and goes to its box.
    if (edits == QStringList{"txtHomeVel=61"}) {
      QCOMPARE(r.dialogs.statuses, QStringList{r.m.msg(5007).arg(u"HOME Parameter 2. VEL"_qs, u"61"_qs, u"1"_qs, u"60"_qs)});
      QCOMPARE(focus.size(), 1);
    }
    QTEST(r.dialogs.shown, "messages");
    QCOMPARE(result, r.dialogs.last() == Done ? 0 : 1);
    QCOMPARE(r.link.CommError, !garbled.isEmpty());
    QVERIFY(r.settled());
    QList<int> counted;
    for (int i = 0; i + 1 < wire.size(); ++i)
      counted << i;
    QCOMPARE(steps, counted);
    QVERIFY(locked);
    if (result == 0) {
      QCOMPARE(QList<int>({r.t.prgBar1.value(), r.t.prgBar1.maximum()}), QList<int>({int(counted.size()), 7}));
      QCOMPARE(r.t.form.text(), u"ZT-RW3 Communicating,now..."_qs);
      QCOMPARE(r.t.lblSetumei.text(), u"Sending Data to the controller..."_qs);
    }
  }
};

QTEST_GUILESS_MAIN(tst_ParamTransfer)
#include "tst_paramtransfer.moc"
