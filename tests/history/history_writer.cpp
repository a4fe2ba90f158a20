// Keeps entries in a history for tst_history, each tagged with its writer
// and sequence, and prints an entry's id only once add() has returned:
//   history_writer ADDRESS WRITER COUNT [--wait]
// COUNT 0 writes until killed; --wait holds the first entry until a line
// arrives on stdin, so that many writers open the history at once.
#include "historydb.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <cstdio>
#include <iostream>
#include <string>

namespace {
// A set whose length and bytes differ from one entry to the next.
QByteArray setOf(int writer, qint64 seq) {
  quint32 x = quint32(writer) * 2654435761u + quint32(seq) * 40503u + 1;
  QByteArray b(int(x % 3000) + 1, Qt::Uninitialized);
  for (char &c : b) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 16);
  }
  return b;
}
} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4)
    return std::fprintf(stderr, "usage: history_writer ADDRESS WRITER COUNT [--wait]\n"), 2;
  const int writer = args[2].toInt();
  const qint64 count = args[3].toLongLong();
  std::printf("ready\n");
  std::fflush(stdout);
  if (args.contains(QStringLiteral("--wait"))) {
    std::string go;
    std::getline(std::cin, go);
  }
  HistoryDb db(args[1]);
  for (qint64 seq = 0; count == 0 || seq < count; ++seq) {
    HistoryDb::Entry e;
    e.line = QStringLiteral("writer %1").arg(writer);
    e.address = QStringLiteral("/dev/ttyS%1").arg(writer);
    e.command = QStringLiteral("params write");
    e.result = QStringLiteral("OK");
    e.params = setOf(writer, seq);
    e.message = QStringLiteral("%1 %2 %3 %4")
                    .arg(writer)
                    .arg(seq)
                    .arg(e.params.size())
                    .arg(QString::fromLatin1(QCryptographicHash::hash(e.params, QCryptographicHash::Md5).toHex()));
    const qint64 id = db.add(e);
    if (id == 0)
      return std::fprintf(stderr, "entry %lld: %s\n", seq, qPrintable(db.problem())), 1;
    std::printf("%lld\n", id);
    std::fflush(stdout);
  }
  return 0;
}
