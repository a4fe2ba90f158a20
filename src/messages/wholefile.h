#pragma once
#include "messagetable.h"

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// Files are read and saved whole: a read is refused before it starts when
// the file is larger than any real file of ours, and a save either leaves
// the complete new file or the old one exactly as it was.
namespace wholefile {

// Far above any list or data file the program reads.
constexpr qint64 MaxReadBytes = 1 << 20;

enum class ReadFault { None, Open, NotAFile, TooLarge, Empty };
struct Read {
  ReadFault fault = ReadFault::None;
  QByteArray bytes;
  QString systemReason; // the system's words for an Open fault
  bool ok() const { return fault == ReadFault::None; }
};
Read ReadFile(const QString &path, qint64 maxBytes = MaxReadBytes);
// Why a read failed, in the operator's language; empty when it did not.
QString Reason(const Read &r, const Messages &m, qint64 maxBytes = MaxReadBytes);

// UTF-8 text (a BOM dropped).
QString Text(const QByteArray &bytes);
// A list an operator may have saved in the legacy Japanese encoding: UTF-8
// when the bytes are valid UTF-8 (a BOM dropped), else Shift_JIS (CP932).
QString TextOrShiftJis(const QByteArray &bytes);

// The system calls a save makes; tests put failing ones in their place.
struct FileOps {
  virtual ~FileOps() = default;
  virtual int open(const char *path, int flags, mode_t mode);
  virtual ssize_t write(int fd, const char *data, size_t size);
  virtual int fsync(int fd);
  virtual int close(int fd);
  virtual int rename(const char *from, const char *to);
};

// Writes `bytes` to a new file beside `path`, checks every write, the sync
// and the close, then puts it in the place of `path`. A device or pipe is
// written directly. False with the system's reason when anything failed;
// then an existing file at `path` is untouched.
bool Save(const QString &path, const QByteArray &bytes, QString *reason);
bool Save(const QString &path, const QByteArray &bytes, QString *reason, FileOps &ops);
// The system calls of every save without its own `ops` (nullptr: the real
// ones); for tests that run whole commands with failing calls.
void SetDefaultOps(FileOps *ops);

} // namespace wholefile
