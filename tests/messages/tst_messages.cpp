#include "basic.h"
#include "testenv.h"
#include "wholefile.h"

#include <cerrno>
#include <limits>

#ifdef Q_OS_WIN
#define EDQUOT ENOSPC // no disk quotas in Windows' C library
#endif

namespace {
// The system's calls, failing at one of them with `error` as a full or broken disk does.
struct FailingOps : wholefile::FileOps {
  QString failAt;
  int error = 0, writes = 0;
  int fail() { return errno = error, -1; }
  ssize_t write(int fd, const char *data, size_t size) override {
    if (failAt == "short write")
      return ++writes == 1 ? FileOps::write(fd, data, size / 2) : 0;
    return failAt == "write" ? fail() : FileOps::write(fd, data, size);
  }
  int fsync(int fd) override { return failAt == "sync" ? fail() : FileOps::fsync(fd); }
  int close(int fd) override { return FileOps::close(fd) == 0 && failAt != "close" ? 0 : fail(); }
  int rename(const char *from, const char *to) override {
    return failAt == "rename" ? fail() : FileOps::rename(from, to);
  }
};
} // namespace

class tst_Messages : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void val_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const std::pair<const char *, double> rows[] = {
        {"", 0},         {" \t42", 42},  {"250abc", 250},  {"1.5", 1.5},      {"1.2.3", 1.2},  {".5.", 0.5},
        {"-7", -7},      {"1E3", 1000}, {"2.5e-1x", 0.25}, {"12E", 12},      {"12E+", 12},    {"-", 0},
        {".", 0},        {"File(&F)", 0}};
    for (const auto &[text, value] : rows)
      QTest::newRow(text) << QString::fromUtf8(text) << value;
  }
  // The leading number: a second point or an exponent without digits ends it.
  void val() {
    QFETCH(QString, text);
    QTEST(Val(text), "value");
  }

  void wholeIn_data() {
    QTest::addColumn<double>("v");
    QTest::addColumn<qint64>("hi"); // from 0
    QTest::addColumn<qint64>("result"); // -1: nothing
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<const char *, double, qint64, qint64> rows[] = {
        {"a half to even", 2.5, 999, 2},     {"rounds to the top", 999.4, 999, 999}, {"rounds above", 999.6, 999, -1},
        {"rounds below", -0.6, 999, -1},     {"-0.4 is 0", -0.4, 999, 0},           {"9e9 for 16 bits", 9e9, 32767, -1},
        {"infinite", inf, 9, -1},            {"not a number", nan, 9, -1}};
    for (const auto &[name, v, hi, result] : rows)
      QTest::newRow(name) << v << hi << result;
  }
  void wholeIn() {
    QFETCH(double, v);
    QFETCH(qint64, hi);
    QTEST(WholeIn(v, 0, hi).value_or(-1), "result");
  }

  void saveFailsWholeOrNotAtAll_data() {
    QTest::addColumn<QString>("failAt");
    QTest::addColumn<int>("error");
    const std::pair<const char *, int> rows[] = {{"write", ENOSPC}, {"short write", ENOSPC}, {"sync", EIO},
                                                 {"close", EDQUOT}, {"rename", EXDEV},      {"", 0}};
    for (const auto &[failAt, error] : rows)
      QTest::newRow(*failAt ? failAt : "none") << failAt << error;
  }
  // A save that fails anywhere leaves the old file as it was and nothing beside it.
  void saveFailsWholeOrNotAtAll() {
    QFETCH(QString, failAt);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.pmt");
    QVERIFY(kt::writeFile(path, QByteArray(223, 'o')));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    FailingOps ops;
    ops.failAt = failAt;
    ops.error = error;
    QString reason;
    const QByteArray text(4000, 'n');
    QCOMPARE(wholefile::Save(path, text, &reason, ops), !error);
    QCOMPARE(reason, error ? QString::fromLocal8Bit(std::strerror(error)) : QString());
    QCOMPARE(kt::readFile(path), error ? QByteArray(223, 'o') : text);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.pmt"});
#ifndef Q_OS_WIN // Windows files have no group or other
    QVERIFY(!(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther))); // kept at 0600
#endif
  }

  void read() {
    using RF = wholefile::ReadFault;
    const QString f = kt::path("f");
    auto fault = [&](const QByteArray &bytes) { return kt::writeFile(f, bytes), wholefile::ReadFile(f, 8).fault; };
    QCOMPARE(fault("12345678"), RF::None);
    QCOMPARE(fault("123456789"), RF::TooLarge);
    QCOMPARE(wholefile::Reason(wholefile::ReadFile(f, 8), Messages(10000), 8), kt::msg(5004).arg(8));
    QCOMPARE(fault(""), RF::Empty);
    QCOMPARE(wholefile::ReadFile(kt::dir().path()).fault, RF::NotAFile);
    QVERIFY(!wholefile::ReadFile(kt::path("none")).systemReason.isEmpty());
    QCOMPARE(wholefile::Text("\xEF\xBB\xBF\"01\""), u"\"01\""_qs);
  }
};

KOV_TEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
