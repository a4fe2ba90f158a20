// kov-t6-cli batch against 16 paced kov-sim lines at once: each line's
// parameter read (its step's own time) against one line alone, and the CPU
// the whole batch costs; over network lines, each step against the same on
// pseudo-terminals.
#include "benchfigures.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// CPU seconds a process has used, from /proc.
double processCpuSeconds(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly))
    return 0;
  const QList<QByteArray> f = stat.readAll().split(')').value(1).trimmed().split(' ');
  return (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

struct Batch {
  QList<double> firstMs, laterMs; // each line's first "params read" step, and its second
  double wallS = 0, cpuS = 0;
  bool ok = false;
};

// One batch over the first `lines` simulators, every line reading its parameters.
Batch runBatch(const QTemporaryDir &dir, const QStringList &links, int lines) {
  QStringList plan{"line,steps"};
  for (int i = 0; i < lines; ++i)
    plan << links[i] + QStringLiteral(",params read; params read");
  QFile f(dir.filePath(QStringLiteral("plan.csv")));
  f.open(QIODevice::WriteOnly);
  f.write(plan.join(u'\n').toUtf8() + '\n');
  f.close();
  Batch b;
  const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
  QElapsedTimer clock;
  clock.start();
  QProcess cli;
  cli.start(QStringLiteral(KOV_CLI_PATH), {"--json", "batch", f.fileName()});
  if (!cli.waitForFinished(60000))
    return b;
  b.wallS = double(clock.nsecsElapsed()) / 1e9;
  b.cpuS = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
  for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    const QJsonArray steps = o["steps"].toArray();
    if (steps.size() == 2) {
      b.firstMs << steps[0]["elapsed_ms"].toDouble();
      b.laterMs << steps[1]["elapsed_ms"].toDouble();
    }
  }
  b.ok = cli.exitCode() == 0 && b.firstMs.size() == lines;
  return b;
}

enum class Kind { Pty, Tcp, Rfc2217, Ser2net };

const char *KindName(Kind k) {
  switch (k) {
  case Kind::Pty: return "pseudo-terminals";
  case Kind::Tcp: return "loopback TCP";
  case Kind::Rfc2217: return "loopback RFC 2217";
  default: return "RFC 2217 through ser2net";
  }
}

// A port on loopback that nothing listens on now.
quint16 FreePort() {
  QTcpServer probe;
  return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// `count` paced simulators serving the kind of line asked for.
struct Sims {
  std::vector<std::unique_ptr<QProcess>> procs;
  QStringList links;
  QProcess ser2net; // in front of the pseudo-terminals, one accepter a line

  bool start(const QTemporaryDir &dir, Kind kind, int count) {
    const bool pty = kind == Kind::Pty || kind == Kind::Ser2net;
    for (int i = 0; i < count; ++i) {
      auto sim = std::make_unique<QProcess>();
      const QString link = dir.filePath(QStringLiteral("%1%2").arg(kind == Kind::Pty ? "pty" : "s2n").arg(i));
      QStringList args{"--paced"};
      if (pty)
        args << "--link" << link;
      else
        args << "--tcp" << "127.0.0.1:0";
      if (kind == Kind::Rfc2217)
        args << "--rfc2217";
      sim->start(QStringLiteral(KOV_SIM_PATH), args);
      if (!sim->waitForStarted(5000))
        return false;
      while (!sim->canReadLine())
        if (!sim->waitForReadyRead(5000))
          return false;
      links << (pty ? link : QString::fromLatin1(sim->readLine().trimmed()));
      procs.push_back(std::move(sim));
    }
    return kind != Kind::Ser2net || startSer2net(dir);
  }
  // Its own packing of the replies (chardelay, about two characters' time a
  // reply) is off, as on a server set up for a controller's short lines.
  bool startSer2net(const QTemporaryDir &dir) {
    QByteArray yaml;
    QList<quint16> ports;
    for (qsizetype i = 0; i < links.size(); ++i) {
      ports << FreePort();
      yaml += QStringLiteral("connection: &line%1\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%2\n"
                             "  connector: serialdev,%3,9600n81,local\n"
                             "  options:\n    kickolduser: true\n    chardelay: false\n")
                  .arg(i).arg(ports.last()).arg(links[i]).toUtf8();
      links[i] = QStringLiteral("rfc2217://127.0.0.1:%1").arg(ports.last());
    }
    QFile config(dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!config.open(QIODevice::WriteOnly) || config.write(yaml) != yaml.size())
      return false;
    config.close();
    // Debian keeps it in /usr/sbin, outside a user's PATH.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/usr/local/sbin"});
    ser2net.start(program.isEmpty() ? QStringLiteral("ser2net") : program,
                  {"-n", "-c", config.fileName(), "-P", dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!ser2net.waitForStarted(5000))
      return false;
    // Listening once every accepter takes a connection.
    for (const quint16 port : ports) {
      QTcpSocket s;
      for (int tries = 0;; ++tries) {
        s.connectToHost(QHostAddress::LocalHost, port);
        if (s.waitForConnected(1000))
          break;
        if (tries == 50)
          return false;
        QThread::msleep(100);
      }
      s.disconnectFromHost();
    }
    return true;
  }
  double cpu() const {
    double s = 0;
    for (const auto &sim : procs)
      s += processCpuSeconds(sim->processId());
    return s;
  }
  ~Sims() {
    for (auto &sim : procs) {
      sim->terminate();
      sim->waitForFinished(5000);
    }
    ser2net.terminate();
    ser2net.waitForFinished(5000);
  }
};

// Every step's time of a kind of line, over the runs.
struct Figures {
  QList<double> alone, together, second, wall, cpu, simCpu;
  QList<double> aloneFirst, aloneSecond;

  bool add(const QTemporaryDir &dir, const Sims &sims, int lines) {
    const Batch one = runBatch(dir, sims.links, 1);
    const double sims0 = sims.cpu();
    const Batch all = runBatch(dir, sims.links, lines);
    simCpu << sims.cpu() - sims0;
    if (!one.ok || !all.ok)
      return false;
    alone << one.firstMs << one.laterMs;
    aloneFirst << one.firstMs;
    aloneSecond << one.laterMs;
    together << all.firstMs;
    second << all.laterMs;
    wall << all.wallS;
    cpu << all.cpuS;
    return true;
  }
};

// The line processes' settings: the history kept or not, in a history of
// the bench's own.
bool useHistory(const QTemporaryDir &dir, bool on) {
  qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
  QDir().mkpath(dir.filePath(QStringLiteral("config/KOV-T6")));
  QFile ini(dir.filePath(QStringLiteral("config/KOV-T6/KOV-T6.ini")));
  return ini.open(QIODevice::WriteOnly) && ini.write(on ? "[Settings]\nHistory=1\n" : "[Settings]\nHistory=0\n") > 0;
}

// --history: the same batch with the history kept and without, in turns.
int historyCost(const QTemporaryDir &dir, const Sims &sims, int lines, int runs) {
  QList<double> off, on;
  for (int r = 0; r < runs; ++r)
    for (const bool kept : {false, true}) {
      const Batch b = useHistory(dir, kept) ? runBatch(dir, sims.links, lines) : Batch{};
      if (!b.ok)
        return std::fprintf(stderr, "a batch failed\n"), 1;
      (kept ? on : off) << b.firstMs << b.laterMs;
    }
  const double a = median(off), b = median(on);
  std::printf("batch of %d paced lines, two parameter reads each, every step's time: history off median %.1f ms, "
              "on %.1f ms (worst %.1f ms): %+.2f%% (target within 2%%)\n",
              lines, a, b, *std::max_element(on.begin(), on.end()), 100.0 * (b - a) / a);
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const bool quick = args.contains(QStringLiteral("--quick"));
  const qsizetype at = args.indexOf(QStringLiteral("--lines"));
  const int lines = at > 0 ? args.value(at + 1).toInt() : quick ? 4 : 16, runs = quick ? 1 : 5;
  if (lines < 1)
    return std::fprintf(stderr, "usage: bench_batch [--quick] [--lines N] [--tcp | --rfc2217 | --ser2net | --history]\n"), 2;
  // --tcp, --rfc2217: the simulators serve on loopback TCP, raw or as an
  // RFC 2217 server; --ser2net: on pseudo-terminals behind ser2net's RFC 2217
  // accepters. The same batches run on pseudo-terminals alongside.
  const Kind kind = args.contains(QStringLiteral("--ser2net"))   ? Kind::Ser2net
                    : args.contains(QStringLiteral("--rfc2217")) ? Kind::Rfc2217
                    : args.contains(QStringLiteral("--tcp"))   ? Kind::Tcp
                                                               : Kind::Pty;
  QTemporaryDir dir;
  useHistory(dir, true); // as an operator runs it, in a history of the bench's own
  Sims sims, ptys;
  if (!sims.start(dir, kind, lines) || (kind != Kind::Pty && !ptys.start(dir, Kind::Pty, lines)))
    return std::fprintf(stderr, "kov-sim did not start\n"), 1;
  if (args.contains(QStringLiteral("--history")))
    return historyCost(dir, sims, lines, runs);
  Figures f, pty;
  // Taken in turns, so that what else the machine does falls on both alike.
  for (int r = 0; r < runs; ++r)
    if (!f.add(dir, sims, lines) || (kind != Kind::Pty && !pty.add(dir, ptys, lines)))
      return std::fprintf(stderr, "a batch failed\n"), 1;
  const double a = median(f.alone), t = median(f.together), t2 = median(f.second);
  std::printf("%s: ", KindName(kind));
  std::printf("batch of %d paced lines, two parameter reads each: the first, median %.1f ms a line (worst %.1f ms), one line "
              "alone %.1f ms: %+.2f%% (target within 2%%)\n",
              lines, t, *std::max_element(f.together.begin(), f.together.end()), a, 100.0 * (t - a) / a);
  std::printf("  each line's second read (its process started): median %.1f ms (worst %.1f ms): %+.2f%%\n", t2,
              *std::max_element(f.second.begin(), f.second.end()), 100.0 * (t2 - a) / a);
  std::printf("the whole batch: %.2f s, %.3f s of CPU (all its processes), %.0f%% of one core; the %d simulators "
              "meanwhile %.3f s\n",
              median(f.wall), median(f.cpu), 100.0 * median(f.cpu) / median(f.wall), lines, median(f.simCpu));
  if (kind != Kind::Pty) {
    // The pty's median, the line's, and how far off, of one step.
    auto step = [](const char *name, const QList<double> &p, const QList<double> &net) {
      std::printf("%s %.1f → %.1f ms (%+.2f%%)", name, median(p), median(net),
                  100.0 * (median(net) - median(p)) / median(p));
    };
    std::printf("  each step against the same on pseudo-terminals (target within 5%%): one line alone, ");
    step("first read", pty.aloneFirst, f.aloneFirst);
    step(", second", pty.aloneSecond, f.aloneSecond);
    std::printf("; in the batch, ");
    step("first", pty.together, f.together);
    step(", second", pty.second, f.second);
    std::printf("\n");
  }
  return 0;
}
