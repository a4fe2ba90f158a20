#include "ptybridge.h"
#include "controllersim.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyBridge::PtyBridge(ControllerSim *sim, QObject *parent) : QObject(parent), sim_(sim) {
  connect(sim_, &ControllerSim::send, this, &PtyBridge::writeMaster);
}

PtyBridge::~PtyBridge() {
  if (!link_.isEmpty() && QFileInfo(link_).symLinkTarget() == QFileInfo(slavePath_).absoluteFilePath())
    ::unlink(QFile::encodeName(link_).constData());
  if (slave_ >= 0)
    ::close(slave_);
  if (master_ >= 0)
    ::close(master_);
}

bool PtyBridge::open(QString *error) {
  const auto fail = [error](const char *what) {
    *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0)
    return fail("posix_openpt");
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    return fail("grantpt/unlockpt");
  const char *name = ::ptsname(master_);
  if (!name)
    return fail("ptsname");
  slavePath_ = QString::fromLocal8Bit(name);
  slave_ = ::open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0)
    return fail("open slave");
  termios tio{};
  if (::tcgetattr(slave_, &tio) != 0)
    return fail("tcgetattr");
  ::cfmakeraw(&tio);
  ::cfsetspeed(&tio, B9600);
  tio.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(slave_, TCSANOW, &tio) != 0)
    return fail("tcsetattr");
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
    return fail("fcntl");

  readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
  connect(readNotifier_, &QSocketNotifier::activated, this, &PtyBridge::readMaster);
  writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyBridge::flush);
  return true;
}

bool PtyBridge::makeLink(const QString &path, QString *error) {
  const QFileInfo existing(path);
  if (existing.exists() || existing.isSymLink()) {
    if (!existing.isSymLink()) {
      *error = QStringLiteral("%1 exists and is not a symbolic link").arg(path);
      return false;
    }
    ::unlink(QFile::encodeName(path).constData());
  }
  if (::symlink(QFile::encodeName(slavePath_).constData(), QFile::encodeName(path).constData()) != 0) {
    *error = QStringLiteral("symlink %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  link_ = path;
  return true;
}

void PtyBridge::readMaster() {
  char buf[256];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      sim_->receive(QByteArray(buf, n));
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    break; // EAGAIN: drained
  }
}

void PtyBridge::writeMaster(const QByteArray &bytes) {
  pending_ += bytes;
  flush();
}

void PtyBridge::flush() {
  while (!pending_.isEmpty()) {
    const ssize_t n = ::write(master_, pending_.constData(), size_t(pending_.size()));
    if (n > 0) {
      pending_.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno != EAGAIN)
      pending_.clear(); // the pty is gone; nothing can be delivered
    break;
  }
  if (writeNotifier_)
    writeNotifier_->setEnabled(!pending_.isEmpty());
}
