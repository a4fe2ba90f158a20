// A save that stops at a chosen point and waits there to be killed: the
// test's parent kills it (SIGKILL) and looks at what is left on disk.
// Usage: savechild PATH POINT   (POINT: open, write, fsync, rename, done)
#include "wholefile.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
const char *point = "";

void stopHere(const char *where) {
  if (std::strcmp(where, point) != 0)
    return;
  std::printf("%s\n", where);
  std::fflush(stdout);
  for (;;)
    ::pause();
}

struct StoppingOps : wholefile::FileOps {
  int open(const char *path, int flags, mode_t mode) override {
    const int fd = FileOps::open(path, flags, mode);
    stopHere("open");
    return fd;
  }
  ssize_t write(int fd, const char *data, size_t size) override {
    // Half of it first: killed here, the new file is half written.
    const ssize_t n = FileOps::write(fd, data, size > 1 ? size / 2 : size);
    stopHere("write");
    return n;
  }
  int fsync(int fd) override {
    const int r = FileOps::fsync(fd);
    stopHere("fsync");
    return r;
  }
  int rename(const char *from, const char *to) override {
    const int r = FileOps::rename(from, to);
    stopHere("rename");
    return r;
  }
};
} // namespace

int main(int argc, char *argv[]) {
  if (argc != 3)
    return 2;
  point = argv[2];
  StoppingOps ops;
  QString reason;
  const bool saved = wholefile::Save(QString::fromLocal8Bit(argv[1]), QByteArray(256 * 1024, 'N'), &reason, ops);
  stopHere("done");
  return saved ? 0 : 1;
}
