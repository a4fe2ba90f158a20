// Link benchmarks against kov-sim on a pseudo-terminal. Prints ratios to the
// physical limits: a raw POSIX write/read loop on the same pty, and the wire
// time of the characters at 9600 baud.
#include "benchfigures.h"
#include "dialogs.h"
#include "frmdevice.h"
#include "frmmain.h"
#include "frmtrance.h"
#include "indexdata.h"
#include "iomonitor.h"
#include "motiontest.h"
#include "link.h"
#include "parameterpage.h"
#include "parametertransfer.h"
#include "module1.h"
#include "serialportdevice.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr double CharMs = 10.0 * 1000.0 / 9600.0; // start, 8 data, stop bits

class SilentDialogs : public Dialogs {
public:
  Answer showMessage(const Told &, Buttons, Icon, const QString &) override { return Answer::Ok; }
  void showStatus(const Told &) override {}
  void showDone(const Told &) override {}
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
  // Served over TCP on loopback instead; `path` becomes its address.
  bool startTcp(const QStringList &extra) {
    process.start(QStringLiteral(KOV_SIM_PATH), QStringList{"--tcp", "0"} + extra);
    if (!process.waitForStarted(5000))
      return false;
    while (!process.canReadLine())
      if (!process.waitForReadyRead(5000))
        return false;
    path = QString::fromLatin1(process.readLine().trimmed());
    return !path.isEmpty();
  }
  ~Sim() {
    process.terminate();
    process.waitForFinished(5000);
  }
};


// The serial port, counting the characters that cross it.
class CountingPort : public PortDevice {
public:
  SerialPortDevice port;
  qint64 characters = 0;
  CountingPort() {
    connect(&port, &PortDevice::dataArrived, this, &PortDevice::dataArrived);
    connect(&port, &PortDevice::vanished, this, &PortDevice::vanished);
  }
  bool open(int portNo, QString *reason) override { return port.open(portNo, reason); }
  void close() override { port.close(); }
  bool isOpen() const override { return port.isOpen(); }
  QList<QByteArray> sent;
  // Between a move's end reaching the tool and its next move command.
  QElapsedTimer sinceStopped;
  QList<double> turnaroundMs;
  bool write(const QByteArray &data) override {
    characters += data.size();
    sent << data;
    if (data.startsWith("0MP01") && sinceStopped.isValid()) {
      turnaroundMs << sinceStopped.nsecsElapsed() / 1e6;
      sinceStopped.invalidate();
    }
    return port.write(data);
  }
  qint64 bytesAvailable() const override { return port.bytesAvailable(); }
  QByteArray readAll() override {
    const QByteArray data = port.readAll();
    characters += data.size();
    received += data;
    if (received.endsWith("0RA1\r\n") || received.endsWith("0RA2\r\n"))
      sinceStopped.start();
    if (received.endsWith("\r\n"))
      received.clear();
    return data;
  }
  QByteArray received;
};

struct Rig {
  SilentDialogs dialogs;
  Module1 m;
  FrmMain f;
  FrmDevice d;
  FrmTrance t;
  SettingsStore store;
  CountingPort line;
  Link link{m, f, dialogs, store, &line};
  IndexData index{m, f, dialogs, link};
  ParameterPage page{m, f, d, dialogs};
  ParameterTransfer params{m, f, t, dialogs, link, page};
  MotionTest motion{m, f, dialogs, link};
  IoMonitor io{m, f, dialogs, link};
  explicit Rig(const QString &path) {
    m.PortOccupy = true;
    line.port.portMap().setOverride(m.PortNo, path);
  }
};

// The same lines as plainly as the system allows, each reply read to its
// CR LF: what the pty and the simulator's own wake-ups cost.
double rawReplayMs(const QString &path, const QList<QByteArray> &lines) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
  if (fd < 0)
    return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  QElapsedTimer clock;
  clock.start();
  for (const QByteArray &line : lines) {
    if (::write(fd, line.constData(), size_t(line.size())) != line.size())
      return -1;
    QByteArray reply;
    while (!reply.endsWith("\r\n")) {
      pollfd p{fd, POLLIN, 0};
      char buf[64];
      if (::poll(&p, 1, 5000) <= 0)
        return -1;
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0)
        return -1;
      reply.append(buf, n);
    }
  }
  const double ms = clock.nsecsElapsed() / 1e6;
  ::close(fd);
  return ms;
}

// The status exchange as plainly as the system allows.
double rawLoopMs(const QString &path, int count) {
  return rawReplayMs(path, QList<QByteArray>(count, QByteArrayLiteral("0RA\r\n")));
}

// A transfer an operator waits for, paced at 9600 baud: its time against the
// wire time of the characters it moved, and against the same lines sent raw
// to a fresh paced simulator.
int pacedTransfer(QTemporaryDir &dir, const char *what,
                  const std::function<qint16(Rig &)> &transfer) {
  Sim sim;
  if (!sim.start(dir.filePath(QString::fromLatin1(what).replace(u' ', u'-')), {"--paced"}))
    return std::fprintf(stderr, "kov-sim did not start\n"), 1;
  Rig rig(sim.path);
  rig.page.mainWindowLoad();
  rig.index.mainWindowLoad();
  rig.index.selectStartValues();
  rig.f.txtGEAR.setText(QStringLiteral("10"));
  rig.f.txtDIVISION.setText(QStringLiteral("4"));
  rig.link.CommPortOpen(); // held open, as by default
  QElapsedTimer clock;
  clock.start();
  const qint16 result = transfer(rig);
  const double ms = clock.nsecsElapsed() / 1e6;
  const double wire = double(rig.line.characters) * CharMs;
  rig.link.CommPortClose();
  Sim again;
  const double raw = again.start(dir.filePath(QStringLiteral("raw")), {"--paced"})
                         ? rawReplayMs(again.path, rig.line.sent)
                         : -1;
  std::printf("paced at 9600 baud: %s (%lld lines) in %.1f ms, wire time of %lld characters "
              "%.1f ms, %.2f%% over (target within 2%%); the same lines raw %.1f ms, %.2f%% over\n",
              what, static_cast<long long>(rig.line.sent.size()), ms,
              static_cast<long long>(rig.line.characters), wire, 100.0 * (ms - wire) / wire, raw,
              100.0 * (raw - wire) / wire);
  return result == 0 && raw > 0 ? 0 : 1;
}

// The move test and the monitor against the paced simulator: what their
// waits cost, how regular the monitor's ticks are, and how soon a move
// follows the end of the last.
int motionFigures(QTemporaryDir &dir, bool quick) {
  const int seconds = quick ? 2 : 10;
  Sim sim;
  if (!sim.start(dir.filePath(QStringLiteral("motion")), {"--paced"}))
    return std::fprintf(stderr, "kov-sim did not start\n"), 1;
  Rig rig(sim.path);
  rig.f.optCNT.setChecked(true);
  int failures = 0;

  // Continuous moves with a 1 s dwell.
  rig.f.chkTimerUse.setChecked(true);
  rig.f.txtTimer.setText(QStringLiteral("10"));
  int moves = 0;
  QObject::connect(&rig.motion, &MotionTest::moveCompleted, [&moves](int n) { moves = n; });
  QTimer::singleShot(seconds * 1000, &rig.motion, [&rig] { rig.motion.cmdSTOP_Click(); });
  double cpu0 = cpuSeconds();
  QElapsedTimer clock;
  clock.start();
  failures += rig.motion.cmdMOVE_Click();
  double wall = clock.nsecsElapsed() / 1e9;
  std::printf("move test, 1 s dwell: %d moves in %.1f s used %.3f%% of one core (target < 1%%)\n", moves,
              wall, 100.0 * (cpuSeconds() - cpu0) / wall);

  // Continuous moves without a dwell: a move's end to the next move command.
  rig.f.chkTimerUse.setChecked(false);
  rig.line.turnaroundMs.clear();
  QTimer::singleShot(seconds * 500, &rig.motion, [&rig] { rig.motion.cmdSTOP_Click(); });
  failures += rig.motion.cmdMOVE_Click();
  const QList<double> &t = rig.line.turnaroundMs;
  std::printf("move test, no dwell: a move's end (status 1) to the next \"0MP01\" in the tool: median "
              "%.3f ms, worst %.3f ms over %lld moves, beyond the wire time of the two lines (target < 1 ms)\n",
              median(t), t.isEmpty() ? -1 : *std::max_element(t.begin(), t.end()),
              static_cast<long long>(t.size()));

  // The monitor.
  QList<double> periods;
  QElapsedTimer tick;
  QObject::connect(&rig.io.timerInputOutput1, &QTimer::timeout, [&] {
    if (tick.isValid())
      periods << tick.nsecsElapsed() / 1e6;
    tick.start();
  });
  const int ticks = quick ? 8 : 30;
  QEventLoop loop;
  QObject::connect(&rig.io, &IoMonitor::stopped, &loop, &QEventLoop::quit);
  QObject::connect(&rig.io, &IoMonitor::ticked, &loop, [&] {
    if (periods.size() >= ticks && !rig.io.IoStopRequest)
      rig.io.cmdIoMonitor_Click();
  });
  cpu0 = cpuSeconds();
  clock.restart();
  rig.io.cmdIoMonitor_Click();
  loop.exec();
  wall = clock.nsecsElapsed() / 1e9;
  const double cpu = cpuSeconds() - cpu0;
  double worst = 0;
  for (double p : periods)
    worst = std::max(worst, std::abs(p - 300.0));
  std::printf("I/O monitor: %lld tick periods, median %.1f ms (target within 2%% of 300 ms), worst "
              "%.1f ms off (target within 10%%); %.1f s used %.3f%% of one core (target < 1%%)\n",
              static_cast<long long>(periods.size()), median(periods), worst, wall, 100.0 * cpu / wall);
  return failures;
}

// Waits `waits` times 2 s for replies that never come: the share of one core
// the wait costs, in percent; `seconds` gets the wall time.
double idlePercent(Sim &sim, int waits, int *failures, double *seconds) {
  Rig rig(sim.path);
  const double cpu0 = cpuSeconds();
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < waits; ++i)
    *failures += rig.link.ReadCtStatus() != -1;
  *seconds = clock.nsecsElapsed() / 1e9;
  return 100.0 * (cpuSeconds() - cpu0) / *seconds;
}

// The paced parameter read over a network line against the same over the
// pty, the configured latency (each way, each exchange) taken off; and what
// a network line costs while it waits for a reply that never comes.
int networkFigures(QTemporaryDir &dir, bool quick) {
  // The best of three reads: the machine's own hiccups are not the line's.
  const auto timedRead = [](Sim &sim, int *lines) {
    Rig rig(sim.path);
    rig.page.mainWindowLoad();
    rig.link.CommPortOpen();
    double best = -1;
    for (int i = 0; i < 3; ++i) {
      rig.line.sent.clear();
      QElapsedTimer clock;
      clock.start();
      if (rig.params.cmdParaRead_Click() != 0)
        return -1.0;
      const double ms = clock.nsecsElapsed() / 1e6;
      best = best < 0 ? ms : std::min(best, ms);
    }
    *lines = int(rig.line.sent.size());
    rig.link.CommPortClose();
    return best;
  };
  int failures = 0, lines = 0;
  Sim pty;
  if (!pty.start(dir.filePath(QStringLiteral("net-pty")), {"--paced"}))
    return std::fprintf(stderr, "kov-sim did not start\n"), 1;
  const double base = timedRead(pty, &lines);
  failures += base < 0;
  std::printf("paced parameter read, %d lines: pty %.1f ms\n", lines, base);
  for (const char *mode : {"tcp", "rfc2217"})
    for (const int latency : {0, 20}) {
      Sim net;
      QStringList extra{"--paced", "--latency", QString::number(latency)};
      if (QByteArray(mode) == "rfc2217")
        extra << "--rfc2217";
      if (!net.startTcp(extra))
        return std::fprintf(stderr, "kov-sim --tcp did not start\n"), 1;
      const double ms = timedRead(net, &lines);
      failures += ms < 0;
      const double net0 = ms - 2.0 * latency * lines;
      std::printf("  over %s, %d ms each way: %.1f ms, %.1f ms without the latency, %+.2f%% against the pty "
                  "(target within 1%%)\n", mode, latency, ms, net0, 100.0 * (net0 - base) / base);
    }
  Sim silent;
  if (!silent.startTcp({"--fault", "*:noreply"}))
    return std::fprintf(stderr, "kov-sim --tcp did not start\n"), 1;
  double wall = 0;
  const double percent = idlePercent(silent, quick ? 1 : 5, &failures, &wall);
  std::printf("network line idle: %.1f s waiting for replies that never come used %.4f%% of one core "
              "(target < 0.1%%)\n", wall, percent);
  return failures;
}

// kov-t6's start to its main window shown, measured from outside the process.
int startUp(int runs) {
  QList<double> times;
  QByteArray report;
  for (int i = 0; i < runs; ++i) {
    QProcess gui;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    gui.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    gui.start(QStringLiteral(KOV_START_PATH), {});
    if (!gui.waitForReadyRead(20000))
      return std::fprintf(stderr, "bench_start gave no word\n"), 1;
    times << clock.nsecsElapsed() / 1e6;
    report = gui.readAllStandardOutput().trimmed();
    gui.waitForFinished(5000);
  }
  std::sort(times.begin(), times.end());
  std::printf("start of kov-t6 to its main window shown (offscreen, no splash): median %.0f ms of "
              "%d runs; resident memory then %s kB\n",
              times[times.size() / 2], runs, report.constData());
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const bool quick = app.arguments().contains(QStringLiteral("--quick"));
  QTemporaryDir dir;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit()); // the history too
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
    double wall = 0;
    const double percent = idlePercent(sim, quick ? 1 : 5, &failures, &wall);
    std::printf("idle cost: %.1f s waiting for replies that never come used %.4f s of CPU, "
                "%.3f%% of one core (target < 1%%)\n",
                wall, percent * wall / 100.0, percent);
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
    failures += rig.link.CommTransaction("0RV", 11, {}, 5000) != 0;
    const double ms = clock.nsecsElapsed() / 1e6;
    const int chars = (6 + 6) + (5 + 6) + (5 + 11);
    const double wire = chars * CharMs;
    std::printf("paced at 9600 baud: link check + status + version in %.2f ms, wire time of "
                "%d characters %.2f ms, %.1f%% over (target within 5%%)\n",
                ms, chars, wire, 100.0 * (ms - wire) / wire);
  }
  failures += pacedTransfer(dir, "whole parameter read", [](Rig &r) { return r.params.cmdParaRead_Click(); });
  failures += pacedTransfer(dir, "index data write", [](Rig &r) { return r.index.LoadtoCtMain(); });

  failures += networkFigures(dir, quick);
  failures += motionFigures(dir, quick);
  failures += startUp(quick ? 1 : 5);
  return failures == 0 ? 0 : 1;
}
