#include "basic.h"
#include "messagetable.h"
#include "wholefile.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <limits>

#include <QRegularExpression>
#include <QtTest>

class tst_Messages : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("missing message"))); }

  void exactTexts_data();
  void exactTexts();
  void everyNamedMessageResolves_data();
  void everyNamedMessageResolves();
  void missingMessages();
  void joinedByCrLf();
  void val_data();
  void val();
  void wholeIn_data();
  void wholeIn();
  void saveFailsWholeOrNotAtAll_data();
  void saveFailsWholeOrNotAtAll();
  void saveToADevice();
  void readRefusesWhatNoFileOfOursIs();
};

void tst_Messages::exactTexts_data() {
  QTest::addColumn<int>("n");
  QTest::addColumn<QString>("japanese");
  QTest::addColumn<QString>("english");
  // Leading and doubled blanks, half-width katakana, full-width characters.
  QTest::newRow("8 leading blank") << 8 << u"値をすべて入力してから、再度実行して下さい。"_qs
                                   << u" Please fill the data in and try it again."_qs;
  QTest::newRow("13 doubled blank") << 13 << u"パラメータのファイル保存に失敗しました。"_qs
                                    << u"Fail to  Save parameters into the file."_qs;
  QTest::newRow("102 full-width digits") << 102 << u" １．コントローラーの電源が入っていますか？"_qs
                                         << u" 1.Power ON for controller?"_qs;
  QTest::newRow("109 half-width katakana") << 109 << u"通信ﾎﾟｰﾄのｵｰﾌﾟﾝに失敗しました。"_qs
                                           << u"Failed in opening of a communication port."_qs;
  QTest::newRow("120 file name") << 120 << u"errorjpn.lst"_qs << u"erroreng.lst"_qs;
  QTest::newRow("273 blank in accelerator") << 273 << u"入出力( &I )"_qs << u"Input/Output(&I )"_qs;
  QTest::newRow("416 trailing blank") << 416 << u"ｺﾝﾄﾛｰﾗのﾊﾞｰｼﾞｮﾝ "_qs << u"The version of C/T is "_qs;
  QTest::newRow("618 leading blank ja") << 618 << u" ファイルと 照合"_qs << u"Verify"_qs;
  QTest::newRow("938 middle dot") << 938 << u"移動・編集"_qs << u"MOVE・EDIT"_qs;
  QTest::newRow("2509 ideographic space") << 2509 << u"通信ポート設定：　COM"_qs
                                          << u"RS-232C PORT : COM"_qs;
  QTest::newRow("3009 trailing blank") << 3009 << u"このファイルは壊れています。読み込みを中止します。"_qs
                                       << u"This File can not open ! "_qs;
  QTest::newRow("1827 filter") << 1827 << u"パラメータ(*.pmt)|*.pmt|すべてのファイル(*.*)|*.*"_qs
                               << u"Parameter(*.pmt)|*.pmt|All files(*.*)|*.*"_qs;
}

void tst_Messages::exactTexts() {
  QFETCH(int, n);
  QFETCH(QString, japanese);
  QFETCH(QString, english);
  QCOMPARE(Messages(0).text(n), japanese);
  QCOMPARE(Messages(10000).text(n), english);
  QCOMPARE(msgtable::entry(n + 10000), english);
}

// Every message number the program's commands show or bind, in both languages.
void tst_Messages::everyNamedMessageResolves_data() {
  QTest::addColumn<int>("n");
  const int named[] = {
#include "named_messages.inc"
  };
  for (int n : named)
    QTest::addRow("%d", n) << n;
}

void tst_Messages::everyNamedMessageResolves() {
  QFETCH(int, n);
  QVERIFY(Messages(0).find(n).has_value());
  QVERIFY(Messages(10000).find(n).has_value());
}

void tst_Messages::missingMessages() {
  // English only.
  QVERIFY(!Messages(0).find(2526));
  QCOMPARE(Messages(10000).text(2526), u"Language"_qs);
  // A lookup from code of a message that does not exist is a programming error.
  QVERIFY(!Messages(0).find(1));
  QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("missing message 1 ")));
  QCOMPARE(Messages(0).text(1), u"#1"_qs);
}

void tst_Messages::joinedByCrLf() {
  QCOMPARE(Messages(10000).joined({105, 106}),
           u"Communication data length error occurs!\r\nLength of data is wrong."_qs);
}

void tst_Messages::val_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("value");
  QTest::newRow("empty") << QString() << 0.0;
  QTest::newRow("number") << u"613"_qs << 613.0;
  QTest::newRow("leading blanks") << u"  42"_qs << 42.0;
  QTest::newRow("leading number") << u"250abc"_qs << 250.0;
  QTest::newRow("caption") << u"File(&F)"_qs << 0.0;
  QTest::newRow("decimal") << u"1.5"_qs << 1.5;
  QTest::newRow("negative") << u"-7"_qs << -7.0;
  QTest::newRow("exponent") << u"1E3"_qs << 1000.0;
  QTest::newRow("bare E") << u"12E"_qs << 12.0;
  QTest::newRow("sign only") << u"-"_qs << 0.0;
}

void tst_Messages::val() {
  QFETCH(QString, text);
  QFETCH(double, value);
  QCOMPARE(Val(text), value);
}


void tst_Messages::wholeIn_data() {
  QTest::addColumn<double>("v");
  QTest::addColumn<qint64>("lo");
  QTest::addColumn<qint64>("hi");
  QTest::addColumn<qint64>("result"); // -1: nothing
  QTest::newRow("inside") << 12.0 << qint64(0) << qint64(999) << qint64(12);
  QTest::newRow("a half to even") << 2.5 << qint64(0) << qint64(999) << qint64(2);
  QTest::newRow("top") << 999.4 << qint64(0) << qint64(999) << qint64(999);
  QTest::newRow("above") << 999.6 << qint64(0) << qint64(999) << qint64(-1);
  QTest::newRow("below") << -0.6 << qint64(0) << qint64(999) << qint64(-1);
  QTest::newRow("9e9 for 16 bits") << 9e9 << qint64(0) << qint64(32767) << qint64(-1);
  QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << qint64(0) << qint64(9) << qint64(-1);
  QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << qint64(0) << qint64(9) << qint64(-1);
}

void tst_Messages::wholeIn() {
  QFETCH(double, v);
  QFETCH(qint64, lo);
  QFETCH(qint64, hi);
  QTEST(WholeIn(v, lo, hi).value_or(-1), "result");
}

namespace {
// The system's calls, failing at one of them as a full or broken disk does.
struct FailingOps : wholefile::FileOps {
  QString failAt;
  int calls = 0;
  ssize_t write(int fd, const char *data, size_t size) override {
    ++calls;
    if (failAt == "write") {
      errno = ENOSPC;
      return -1;
    }
    if (failAt == "short write")
      return calls == 1 ? FileOps::write(fd, data, size / 2) : 0;
    return FileOps::write(fd, data, size);
  }
  int fsync(int fd) override {
    if (failAt == "sync") {
      errno = EIO;
      return -1;
    }
    return FileOps::fsync(fd);
  }
  int close(int fd) override {
    const int r = FileOps::close(fd);
    if (failAt == "close") {
      errno = EDQUOT;
      return -1;
    }
    return r;
  }
  int rename(const char *from, const char *to) override {
    if (failAt == "rename") {
      errno = EXDEV;
      return -1;
    }
    return FileOps::rename(from, to);
  }
};
} // namespace

void tst_Messages::saveFailsWholeOrNotAtAll_data() {
  QTest::addColumn<QString>("failAt");
  QTest::addColumn<QString>("reason");
  QTest::newRow("write") << "write" << QString::fromLocal8Bit(std::strerror(ENOSPC));
  QTest::newRow("short write, then nothing") << "short write" << QString::fromLocal8Bit(std::strerror(ENOSPC));
  QTest::newRow("sync") << "sync" << QString::fromLocal8Bit(std::strerror(EIO));
  QTest::newRow("close") << "close" << QString::fromLocal8Bit(std::strerror(EDQUOT));
  QTest::newRow("rename") << "rename" << QString::fromLocal8Bit(std::strerror(EXDEV));
  QTest::newRow("none") << "" << QString();
}

// A save that fails anywhere leaves the old file as it was and nothing beside it.
void tst_Messages::saveFailsWholeOrNotAtAll() {
  QFETCH(QString, failAt);
  QTemporaryDir dir;
  const QString path = dir.filePath("keep.pmt");
  QFile old(path);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write(QByteArray(223, 'o'));
  old.close();
  QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
  FailingOps ops;
  ops.failAt = failAt;
  QString reason;
  const QByteArray text(4000, 'n');
  QCOMPARE(wholefile::Save(path, text, &reason, ops), failAt.isEmpty());
  QTEST(reason, "reason");
  QVERIFY(old.open(QIODevice::ReadOnly));
  QCOMPARE(old.readAll(), failAt.isEmpty() ? text : QByteArray(223, 'o'));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.pmt"});
  QVERIFY(!(old.permissions() & (QFile::ReadGroup | QFile::ReadOther))); // kept at 0600
}

void tst_Messages::saveToADevice() {
  QString reason;
  if (!QFileInfo("/dev/full").exists() || QFileInfo("/dev/full").isFile())
    QSKIP("no /dev/full device here");
  QVERIFY(!wholefile::Save("/dev/full", "data", &reason));
  QCOMPARE(reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
  QVERIFY(!QFileInfo("/dev/full").isFile()); // written, never replaced
  QVERIFY(wholefile::Save("/dev/null", "data", &reason));
}

void tst_Messages::readRefusesWhatNoFileOfOursIs() {
  QTemporaryDir dir;
  const Messages en(msgtable::EnglishBase);
  auto reasonFor = [&](const QByteArray &bytes, qint64 limit) {
    QFile f(dir.filePath("f"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return QString("not written");
    f.write(bytes);
    f.close();
    return wholefile::Reason(wholefile::ReadFile(f.fileName(), limit), en, limit);
  };
  QCOMPARE(reasonFor("12345678", 8), QString());
  QCOMPARE(reasonFor("123456789", 8), u"The file is larger than 8 bytes."_qs);
  QCOMPARE(reasonFor("", 8), u"The file is empty."_qs);
  QCOMPARE(wholefile::Reason(wholefile::ReadFile(dir.path()), en), u"This is a folder, not a file."_qs);
  QVERIFY(!wholefile::ReadFile(dir.filePath("none")).systemReason.isEmpty());
  QCOMPARE(wholefile::Text("\xEF\xBB\xBF\"01\""), u"\"01\""_qs);
}

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
