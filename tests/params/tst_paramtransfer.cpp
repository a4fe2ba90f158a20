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
private Q_SLOTS:
  void initTestCase();
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }
  void codecExamples();
  void fieldLimits();
  void roundTrip();
  void read_data();
  void read();
  void write_data();
  void write();
  void busyWindowDuringWrite();

private:
  QTemporaryDir dir_;
};

void tst_ParamTransfer::initTestCase() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  Link::setTimeoutScale(0.01);
}

void tst_ParamTransfer::codecExamples() {
  ParametaRecord p = standard28();
  p.HomeOffset = 300;
  p.Aux02 = 1;
  QVERIFY(EncodeBlock(0, p).startsWith("0012C010A"));
  QCOMPARE(EncodeBlock(1, p).mid(19, 10), "1C4C006400");
  p.ActSize = "E35"; // size 35 with the type letter E, motor code 4
  QCOMPARE(EncodeBlock(1, p).mid(19, 10), "2345006404");
  QCOMPARE(Block7WithCount(block7("0000"), CountOfCurrent("1.5")), block7("0119"));
  QCOMPARE(CurrentText(300) + CurrentText(225), u"1.61.2"_qs);
  // 18.75 up; 37.5 and 262.5: a half to the even neighbour.
  QCOMPARE((QList<int>{CountOfCurrent("0.1"), CountOfCurrent("0.2"), CountOfCurrent("1.4")}),
           (QList<int>{19, 38, 262}));
}

// Each field at the top of its bytes reads back; one more, or below zero,
// is refused. Where each lands: the round trip and the wire of the write.
void tst_ParamTransfer::fieldLimits() {
  const QMap<int, int> wide{{1, 2}, {6, 3}, {8, 2}, {14, 2}, {17, 3}, {18, 3}, {39, 2}};
  const ParametaList standard = *DecodeBlocks(replies(standard28()));
  for (int n = 1; n <= 39; ++n) {
    if (n == 12 || n == 36)
      continue; // composed, derived
    auto with = [&](qint64 v) {
      ParametaList a = standard;
      a[std::size_t(n)] = n == 37 ? QVariant(QString::number(v))
                        : n == 38 ? QVariant(v < 0 ? QString() : QString(QChar(char16_t(v))))
                                  : QVariant(v);
      ParametaRecord p;
      bool pg, editable;
      CopyParaArray(a, p, pg, editable);
      return std::pair{p, a[std::size_t(n)].toString()};
    };
    const qint64 top = n == 39 ? 0x7FFF : (qint64(1) << 8 * wide.value(n, 1)) - 1;
    const auto [p, text] = with(top);
    QVERIFY2(FieldsTooWide(p).isEmpty(), qPrintable(text));
    QCOMPARE((*DecodeBlocks(replies(p)))[std::size_t(n)].toString(), text);
    if (n != 39) // the model number's type ends below its bytes
      QCOMPARE(FieldsTooWide(with(top + 1).first).size(), 1);
    QCOMPARE(FieldsTooWide(with(-1).first).size(), 1);
  }
}

void tst_ParamTransfer::roundTrip() {
  ParametaRecord p;
  p.HomeOffset = 0xA1B2; p.Aux02 = 3; p.HomeVel = 4; p.HomeOfsVel = 5; p.Aux05 = 6;
  p.Aux06 = 0x3C4D5E; p.Aux07 = 7; p.AxisPulse = 0xF1E2; p.AxisAutoDrv = 1; p.Aux10 = 11;
  p.AxisKind = 12; p.PgFunc = 13; p.PgAlarm = 0x1415; p.HomeOut = 16; p.Aux16 = 17;
  p.Aux17 = 0x181920; p.Aux18 = 0x212223; p.InpLimit = 250; p.Aux20 = 24; p.Aux21 = 25;
  p.Aux22 = 26; p.PgCheckTimer = 27; p.AutoHome = 28; p.LsSerchTimer = 29; p.EmgLogic = 30;
  p.AlarmAutoClear = 31; p.Aux28 = 32; p.Reserved = {33, 34, 35, 36, 37, 38, 39};
  p.ActSize = "42"; p.ActType = "D"; p.ActModelNo = 321; p.ActCode = "42D321";
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

void tst_ParamTransfer::read_data() {
  QTest::addColumn<QByteArray>("faultOn");
  QTest::addColumn<int>("fault");
  QTest::addColumn<int>("shortNth"); // -1: no short reply
  QTest::addColumn<bool>("sp");
  QTest::addColumn<Lines>("wire");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("denryu"); // empty: nothing taken over
  using F = ControllerSim::Fault;
  const Lines all{"0CM6", "0RD1", "0RD0", "0RD0", "0RD1", "0RD2", "0RD7"};
  const Lines blocks = all.mid(0, 6);
  QTest::newRow("size 28") << QByteArray() << 0 << -1 << false << all << QStringList() << "1.5";
  QTest::newRow("size SP") << QByteArray() << 0 << -1 << true << all << QStringList() << "1.6";
  QTest::newRow("SP, block 7 unanswered") << QByteArray("0RD7") << int(F::NoReply) << -1 << true
                                          << all << QStringList{Timeout} << "";
  QTest::newRow("SP, block 7 not hex") << QByteArray("0RD7") << int(F::Garbage) << -1 << true
                                       << all << QStringList{WrongData} << "";
  QTest::newRow("identity unanswered")
      << QByteArray("0RD1") << int(F::NoReply) << -1 << false << Lines{"0CM6", "0RD1"}
      << QStringList{Timeout, "Failed check of parameters."} << QString();
  QTest::newRow("identity short") << QByteArray() << 0 << 0 << false << Lines{"0CM6", "0RD1", "0CM6"}
                                  << QStringList{Length, "Failed check of parameters."} << QString();
  QTest::newRow("block 1 short") << QByteArray() << 0 << 1 << false << all.mid(0, 5) + Lines{"0CM6"}
                                 << QStringList{Length} << QString();
  QTest::newRow("block 2 not hex") << QByteArray("0RD2") << int(F::Garbage) << -1 << false
                                   << blocks << QStringList{WrongData} << QString();
}

void tst_ParamTransfer::read() {
  QFETCH(QByteArray, faultOn);
  QFETCH(int, shortNth);
  QFETCH(bool, sp);
  QFETCH(QString, denryu);
  ParamRig r;
  ParametaRecord before = standard28();
  before.HomeOffset = 55;
  before.Aux10 = 7;
  r.show(before);
  const QStringList beforeTexts = r.pageTexts();
  r.sim().setBlock(7, QByteArray::fromHex(block7("012C")));
  if (sp)
    r.sim().setBlock(1, QByteArray::fromHex("02020190 00FFFF 1400 144C 0064 030000"));
  if (!faultOn.isEmpty()) {
    QFETCH(int, fault);
    r.sim().setFault(faultOn, ControllerSim::Fault(fault));
  }
  if (shortNth >= 0) {
    r.line.shortened = "0RD1";
    r.line.nth = shortNth;
  }
  r.f.cmdParaRead.click();
  QTEST(r.wire(), "wire");
  QTEST(r.dialogs.shown, "messages");
  QVERIFY(r.settled());
  if (denryu.isNull()) {
    QCOMPARE(r.page.ParametaSet, before);
    QCOMPARE(r.pageTexts(), beforeTexts);
    if (r.dialogs.shown.contains(WrongData))
      QVERIFY(r.link.CommError);
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

void tst_ParamTransfer::write_data() {
  QTest::addColumn<QStringList>("edits");
  QTest::addColumn<Dialogs::Answer>("answer");
  QTest::addColumn<int>("status");
  QTest::addColumn<bool>("wrongEcho");
  QTest::addColumn<Lines>("wire");
  QTest::addColumn<QStringList>("messages");
  const auto Yes = Dialogs::Answer::Yes;
  const Lines size28{"0RA", W0, w1("1C", "00"), W2, "0WE"};
  const QStringList sp{"comboActSize=SP", "txtDenryu=1.2"};
  QTest::newRow("answered No") << QStringList() << Dialogs::Answer::No << 1 << false << Lines{}
                               << QStringList{Ask};
  QTest::newRow("blank box") << QStringList{"txtHomeVel="} << Yes << 1 << false << Lines{}
                             << QStringList{Ask, Blank};
  QTest::newRow("out of range") << QStringList{"txtHomeVel=61"} << Yes << 1 << false << Lines{}
                                << QStringList{Ask, Invalid};
  QTest::newRow("too wide for its byte") << QStringList{"txtInpLimit=256"} << Yes << 1 << false
                                         << Lines{} << QStringList{Ask, Invalid};
  QTest::newRow("moving") << QStringList() << Yes << 0 << false << Lines{"0RA"}
                          << QStringList{Ask, "The writing of data is not made during movement."};
  QTest::newRow("status 2") << QStringList() << Yes << 2 << false << Lines{"0RA"}
                            << QStringList{Ask, Failed};
  QTest::newRow("size 28") << QStringList() << Yes << 1 << false << size28 << QStringList{Ask, Done};
  QTest::newRow("size SP")
      << sp << Yes << 1 << false
      << Lines{"0RA", W0, w1("14", "03"), W2, "0WE", "0RD7", "0WD7" + block7("00E1"), "0WF"}
      << QStringList{Ask, Done};
  QTest::newRow("size SP, no current")
      << QStringList{"comboActSize=SP", "txtDenryu="} << Yes << 1 << false
      << Lines{"0RA", W0, w1("14", "03"), W2, "0WE", "0RD7", "0WD7" + block7("0000"), "0WF"}
      << QStringList{Ask, Done};
  QTest::newRow("wrong echo") << QStringList() << Yes << 1 << true << Lines{"0RA", W0}
                              << QStringList{Ask, WrongData, Failed};
}

void tst_ParamTransfer::write() {
  QFETCH(QStringList, edits);
  QFETCH(Dialogs::Answer, answer);
  QFETCH(int, status);
  QFETCH(bool, wrongEcho);
  ParamRig r;
  r.edit(edits);
  r.dialogs.answers = {answer};
  r.sim().setStatus(status);
  if (wrongEcho)
    r.sim().setFault("0WD", ControllerSim::Fault::Garbage);
  const qint16 result = r.transfer.cmdParaWrite_Click();
  QTEST(r.wire(), "wire");
  QTEST(r.dialogs.shown, "messages");
  QCOMPARE(result, r.dialogs.last() == Done ? 0 : 1);
  QCOMPARE(r.link.CommError, wrongEcho);
  QVERIFY(r.settled());
}

// While the blocks go out, the busy window counts the steps and no other
// command can start.
void tst_ParamTransfer::busyWindowDuringWrite() {
  ParamRig r;
  r.edit({"comboActSize=SP", "txtDenryu=1.2"});
  r.dialogs.answers = {Dialogs::Answer::Yes};
  QList<int> steps;
  bool locked = true;
  connect(&r.sim(), &ControllerSim::lineReceived, this, [&r, &steps, &locked](const QByteArray &l) {
    if (l == "0RA")
      return;
    steps << r.t.prgBar1.value();
    locked = locked && r.t.form.isVisible() && r.dialogs.busyDepth == 1 &&
             !r.f.cmdParaRead.isEffectivelyEnabled() && !r.f.cmdLoadtoCt.isEffectivelyEnabled() &&
             !r.f.mnuCont.isEnabled() && !r.f.SSTab1.isTabEnabled(0);
  });
  r.f.cmdParaWrite.click();
  QCOMPARE(steps, (QList<int>{0, 1, 2, 3, 4, 5, 6}));
  QCOMPARE(r.t.prgBar1.value(), 7);
  QCOMPARE(r.t.prgBar1.maximum(), 7);
  QVERIFY(locked);
  QCOMPARE(r.t.form.text(), u"ZT-RW3 Communicating,now..."_qs);
  QCOMPARE(r.t.lblSetumei.text(), u"Sending Data to the controller..."_qs);
  QVERIFY(r.settled());
}

QTEST_GUILESS_MAIN(tst_ParamTransfer)
#include "tst_paramtransfer.moc"
