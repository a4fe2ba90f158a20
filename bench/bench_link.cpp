// Link benchmarks against kov-sim on a pseudo-terminal. Prints ratios to the
// physical limits: a raw POSIX write/read loop on the same pty, and the wire
// time of the characters at 9600 baud.
#include "dialogs.h"
#include "frmmain.h"
#include "link.h"
#include "module1.h"
#include "serialportdevice.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr double CharMs = 10.0 * 1000.0 / 9600.0; // start, 8 data, stop bits

class SilentDialogs : public Dialogs {
public:
  Answer message(const QString &, Buttons, Icon, const QString &) override { return Answer::Ok; }
  void status(const QString &) override {}
  void done(const QString &) override {}
  void setBusy(bool) override {}
  QString saveFileName(const FileDialog &) override { return {}; }
  QString openFileName(const FileDialog &) override { return {}; }
};

struct Sim {
  QProcess process;
  QString path;
  bool start(const QString &link, const QStringList &extra) {
    process.start(QStringLiteral(KOV_SIM_PATH), QStringList{"--link", link} + extra);
    if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000))
      return false;
    path = link;
    return QFileInfo(link).exists();
  }
  ~Sim() {
    process.terminate();
    process.waitForFinished(5000);
  }
};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The same exchanges as plainly as the system allows.
double rawLoopMs(const QString &path, int count) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
  if (fd < 0)
    return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  QElapsedTimer clock;
  clock.start();
  char buf[64];
  for (int i = 0; i < count; ++i) {
    if (::write(fd, "0RA\r\n", 5) != 5)
      return -1;
    int got = 0;
    while (got < 6) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0)
        return -1;
      const ssize_t n = ::read(fd, buf + got, sizeof buf - got);
      if (n <= 0)
        return -1;
      got += int(n);
    }
  }
  const double ms = clock.nsecsElapsed() / 1e6;
  ::close(fd);
  return ms;
}

struct Rig {
  SilentDialogs dialogs;
  Module1 m;
  FrmMain f;
  SettingsStore store;
  SerialPortDevice port;
  Link link{m, f, dialogs, store, &port};
  explicit Rig(const QString &path) {
    m.PortOccupy = true;
    port.portMap().setOverride(m.PortNo, path);
  }
};

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const bool quick = app.arguments().contains(QStringLiteral("--quick"));
  QTemporaryDir dir;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  const int count = quick ? 200 : 2000;
  int failures = 0;

  {
    Sim sim;
    if (!sim.start(dir.filePath("fast"), {}))
      return std::fprintf(stderr, "kov-sim did not start\n"), 1;
    const double raw = rawLoopMs(sim.path, count);
    Rig rig(sim.path);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
      failures += rig.link.ReadCtStatus() != 1;
    const double linked = clock.nsecsElapsed() / 1e6;
    std::printf("transaction overhead: %d x \"0RA\": link %.1f ms, raw loop %.1f ms, ratio %.2f "
                "(target <= 2), extra %.4f ms a transaction (target < 0.1; wire time %.2f ms)\n",
                count, linked, raw, linked / raw, (linked - raw) / count, 11 * CharMs);
    failures += raw < 0;
  }

  {
    Sim sim;
    if (!sim.start(dir.filePath("silent"), {"--fault", "*:noreply"}))
      return std::fprintf(stderr, "kov-sim did not start\n"), 1;
    Rig rig(sim.path);
    const int waits = quick ? 1 : 5; // 2 s each
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < waits; ++i)
      failures += rig.link.ReadCtStatus() != -1;
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("idle cost: %.1f s waiting for replies that never come used %.4f s of CPU, "
                "%.3f%% of one core (target < 1%%)\n",
                wall, cpu, 100.0 * cpu / wall);
  }

  {
    Sim sim;
    if (!sim.start(dir.filePath("paced"), {"--paced"}))
      return std::fprintf(stderr, "kov-sim did not start\n"), 1;
    Rig rig(sim.path);
    rig.link.CommPortOpen();
    QElapsedTimer clock;
    clock.start();
    failures += rig.link.CommCheck() != 0;
    failures += rig.link.ReadCtStatus() != 1;
    rig.link.TimeOutMs = 5000;
    failures += rig.link.CommTransaction("0RV", 11, {}) != 0;
    const double ms = clock.nsecsElapsed() / 1e6;
    const int chars = (6 + 6) + (5 + 6) + (5 + 11);
    const double wire = chars * CharMs;
    std::printf("paced at 9600 baud: link check + status + version in %.2f ms, wire time of "
                "%d characters %.2f ms, %.1f%% over (target within 5%%)\n",
                ms, chars, wire, 100.0 * (ms - wire) / wire);
  }
  return failures == 0 ? 0 : 1;
}
