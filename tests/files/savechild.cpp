// A save that stops at a chosen point and waits there to be killed: the
// test's parent kills it (SIGKILL) and looks at what is left on disk.
// Usage: savechild PATH POINT   (POINT: open, write, fsync, rename, done)
#include "wholefile.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
const char *point = "";

template <class T> T stopAt(const char *where, T result) {
  if (std::strcmp(where, point) == 0) {
    std::printf("%s\n", where);
    std::fflush(stdout);
    for (;;)
      ::pause();
  }
  return result;
}

struct StoppingOps : wholefile::FileOps {
  int open(const char *path, int flags, mode_t mode) override { return stopAt("open", FileOps::open(path, flags, mode)); }
  // Half of it first: killed here, the new file is half written.
  ssize_t write(int fd, const char *data, size_t n) override { return stopAt("write", FileOps::write(fd, data, n - n / 2)); }
  int fsync(int fd) override { return stopAt("fsync", FileOps::fsync(fd)); }
  int rename(const char *from, const char *to) override { return stopAt("rename", FileOps::rename(from, to)); }
};
} // namespace

int main(int argc, char *argv[]) {
  if (argc != 3)
    return 2;
  point = argv[2];
  StoppingOps ops;
  QString reason;
  return stopAt("done", !wholefile::Save(QString::fromLocal8Bit(argv[1]), QByteArray(256 * 1024, 'N'), &reason, ops));
}
