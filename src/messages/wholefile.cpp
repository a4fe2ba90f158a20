#include "wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#include <unistd.h>
#endif

namespace wholefile {

#ifdef Q_OS_WIN
// Paths reach the calls as UTF-8 and become the wide names Windows takes.
namespace {
std::wstring wide(const char *path) { return QString::fromUtf8(path).toStdWString(); }
QByteArray nativeName(const QString &path) { return path.toUtf8(); }
constexpr int CloseOnExec = _O_NOINHERIT | _O_BINARY;

int errnoOf(DWORD error) {
  switch (error) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND: return ENOENT;
  case ERROR_ACCESS_DENIED:
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION: return EACCES;
  case ERROR_DISK_FULL:
  case ERROR_HANDLE_DISK_FULL: return ENOSPC;
  case ERROR_NOT_SAME_DEVICE: return EXDEV;
  case ERROR_WRITE_PROTECT: return EROFS;
  default: return EIO;
  }
}

struct FileState {
  bool exists, isDir, isRegular;
  unsigned mode;
};
FileState stateOf(const QByteArray &name) {
  struct _stat64 st {};
  const bool exists = ::_wstat64(wide(name.constData()).c_str(), &st) == 0;
  return {exists, exists && (st.st_mode & _S_IFMT) == _S_IFDIR, exists && (st.st_mode & _S_IFMT) == _S_IFREG, 0};
}
void keepMode(int, unsigned) {} // Windows files have no permission bits to keep
void removeFile(const QByteArray &name) { ::_wunlink(wide(name.constData()).c_str()); }
} // namespace

// Windows knows no permission bits beyond read-only, which a new file lacks.
int FileOps::open(const char *path, int flags, mode_t) { return ::_wopen(wide(path).c_str(), flags, _S_IREAD | _S_IWRITE); }
ssize_t FileOps::write(int fd, const char *data, size_t size) {
  return ::_write(fd, data, unsigned(qMin<size_t>(size, 1u << 30)));
}
int FileOps::fsync(int fd) {
  // A console or pipe holds nothing to flush.
  if (::GetFileType(HANDLE(::_get_osfhandle(fd))) != FILE_TYPE_DISK)
    return 0;
  return ::_commit(fd);
}
int FileOps::close(int fd) { return ::_close(fd); }
int FileOps::rename(const char *from, const char *to) {
  if (::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 0;
  errno = errnoOf(::GetLastError());
  return -1;
}
#else
namespace {
QByteArray nativeName(const QString &path) { return QFile::encodeName(path); }
constexpr int CloseOnExec = O_CLOEXEC;

struct FileState {
  bool exists, isDir, isRegular;
  mode_t mode;
};
FileState stateOf(const QByteArray &name) {
  struct stat st {};
  const bool exists = ::stat(name.constData(), &st) == 0;
  return {exists, exists && S_ISDIR(st.st_mode), exists && S_ISREG(st.st_mode), mode_t(st.st_mode & 07777)};
}
void keepMode(int fd, mode_t mode) { ::fchmod(fd, mode); }
void removeFile(const QByteArray &name) { ::unlink(name.constData()); }
} // namespace

int FileOps::open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileOps::write(int fd, const char *data, size_t size) { return ::write(fd, data, size); }
int FileOps::fsync(int fd) { return ::fsync(fd); }
int FileOps::close(int fd) { return ::close(fd); }
int FileOps::rename(const char *from, const char *to) { return ::rename(from, to); }
#endif

Read ReadFile(const QString &path, qint64 maxBytes) {
  Read r;
  const QFileInfo info(path);
  if (info.exists() && info.isDir()) {
    r.fault = ReadFault::NotAFile;
    return r;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    r.fault = ReadFault::Open;
    r.systemReason = file.errorString();
    return r;
  }
  // One byte past the limit tells a file too large also where the size is
  // not known beforehand (a pipe).
  if ((!file.isSequential() && file.size() > maxBytes) ||
      (r.bytes = file.read(maxBytes + 1)).size() > maxBytes) {
    r.fault = ReadFault::TooLarge;
    r.bytes.clear();
    return r;
  }
  if (r.bytes.isEmpty())
    r.fault = ReadFault::Empty;
  return r;
}

QString Reason(const Read &r, const Messages &m, qint64 maxBytes) {
  switch (r.fault) {
  case ReadFault::None: return {};
  case ReadFault::Open: return r.systemReason;
  case ReadFault::NotAFile: return m.text(5005);
  case ReadFault::TooLarge: return m.text(5004).arg(maxBytes);
  case ReadFault::Empty: return m.text(5001);
  }
  return {};
}

QString Text(const QByteArray &bytes) {
  return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
}

namespace {
#ifdef Q_OS_WIN
// Qt without ICU has no Shift_JIS codec; Windows' code page 932 is one.
// Bytes 0x80, 0xA0 and 0xFD-0xFF, which Windows alone maps to characters,
// are none, as with the C library elsewhere.
QString fromShiftJis(const QByteArray &bytes) {
  constexpr UINT CP932 = 932;
  QString text;
  text.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    const BYTE b = BYTE(bytes[i]);
    const int n = ::IsDBCSLeadByteEx(CP932, b) && i + 1 < bytes.size() ? 2 : 1;
    wchar_t c[2];
    const bool none = n == 1 && (b == 0x80 || b == 0xA0 || b >= 0xFD);
    const int got = none ? 0 : ::MultiByteToWideChar(CP932, MB_ERR_INVALID_CHARS, bytes.constData() + i, n, c, 2);
    if (got > 0) {
      text += QString::fromWCharArray(c, got);
      i += n;
    } else {
      // A byte that is no character either way: shown as a replacement mark.
      text += QChar(0xFFFD);
      ++i;
    }
  }
  return text;
}
#else
// Qt without ICU has no Shift_JIS codec; the C library's iconv does.
QString fromShiftJis(const QByteArray &bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == iconv_t(-1))
    return QString::fromLatin1(bytes);
  QByteArray in = bytes;
  QByteArray out(bytes.size() * 3 + 4, Qt::Uninitialized);
  char *inp = in.data();
  size_t inLeft = size_t(in.size());
  char *outp = out.data();
  size_t outLeft = size_t(out.size());
  while (inLeft > 0) {
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1))
      break;
    if (errno != EILSEQ && errno != EINVAL)
      break;
    // A byte that is no character either way: shown as a replacement mark.
    static const char replacement[] = "\xEF\xBF\xBD";
    if (outLeft < 3)
      break;
    std::memcpy(outp, replacement, 3);
    outp += 3;
    outLeft -= 3;
    ++inp;
    --inLeft;
  }
  iconv_close(cd);
  return QString::fromUtf8(out.constData(), outp - out.constData());
}
#endif
} // namespace

QString TextOrShiftJis(const QByteArray &bytes) {
  const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8(body);
  return utf8.hasError() ? fromShiftJis(body) : text;
}

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool writeAll(FileOps &ops, int fd, const QByteArray &bytes, int *error) {
  const char *p = bytes.constData();
  size_t left = size_t(bytes.size());
  while (left > 0) {
    const ssize_t n = ops.write(fd, p, left);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      *error = n < 0 ? errno : ENOSPC; // a write that takes nothing is a full device
      return false;
    }
    p += n;
    left -= size_t(n);
  }
  return true;
}

// fsync on a device or pipe may not be supported: that is no failure.
bool synced(FileOps &ops, int fd, int *error) {
  if (ops.fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP)
    return true;
  *error = errno;
  return false;
}

} // namespace

namespace {
FileOps *defaultOps = nullptr;
}

void SetDefaultOps(FileOps *ops) { defaultOps = ops; }

bool Save(const QString &path, const QByteArray &bytes, QString *reason) {
  FileOps ops;
  return Save(path, bytes, reason, defaultOps ? *defaultOps : ops);
}

bool Save(const QString &path, const QByteArray &bytes, QString *reason, FileOps &ops) {
  int error = 0;
  auto fail = [&](int e) {
    if (reason)
      *reason = systemError(e);
    return false;
  };
  // The file a link names is the one replaced, the link stays.
  QFileInfo info(path);
  const QString target = info.isSymLink() ? info.symLinkTarget() : path;
  const QByteArray finalName = nativeName(target);
  const FileState st = stateOf(finalName);
  const bool exists = st.exists;
  if (st.isDir)
    return fail(EISDIR);

  if (exists && !st.isRegular) {
    const int fd = ops.open(finalName.constData(), O_WRONLY | CloseOnExec, 0);
    if (fd < 0)
      return fail(errno);
    const bool ok = writeAll(ops, fd, bytes, &error) && synced(ops, fd, &error);
    if (ops.close(fd) != 0 && ok)
      return fail(errno);
    return ok ? true : fail(error);
  }

  // A new name in the same folder, so that the rename stays on one file system.
  QByteArray temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = finalName + ".kov-" + QByteArray::number(QRandomGenerator::global()->generate(), 16) +
           ".tmp";
    fd = ops.open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | CloseOnExec, exists ? st.mode : 0666);
    if (fd < 0 && errno != EEXIST)
      return fail(errno);
  }
  if (fd < 0)
    return fail(EEXIST);
  // The replaced file keeps its permissions, whatever the umask.
  if (exists)
    keepMode(fd, st.mode);
  bool ok = writeAll(ops, fd, bytes, &error) && synced(ops, fd, &error);
  if (ops.close(fd) != 0 && ok) {
    error = errno;
    ok = false;
  }
  if (ok && ops.rename(temp.constData(), finalName.constData()) != 0) {
    error = errno;
    ok = false;
  }
  if (!ok) {
    removeFile(temp.constData());
    return fail(error);
  }
  return true;
}

} // namespace wholefile
