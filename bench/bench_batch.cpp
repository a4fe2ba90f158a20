// kov-t6-cli batch against 16 paced kov-sim lines at once: each line's
// parameter read (its step's own time) against one line alone, and the CPU
// the whole batch costs.
#include "benchfigures.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

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

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const bool quick = app.arguments().contains(QStringLiteral("--quick"));
  const qsizetype at = app.arguments().indexOf(QStringLiteral("--lines"));
  const int lines = at > 0 ? app.arguments().value(at + 1).toInt() : quick ? 4 : 16, runs = quick ? 1 : 5;
  if (lines < 1)
    return std::fprintf(stderr, "usage: bench_batch [--quick] [--lines N] [--tcp]\n"), 2;
  QTemporaryDir dir;
  std::vector<std::unique_ptr<QProcess>> sims;
  QStringList links;
  // --tcp: the simulators serve on loopback TCP instead of pseudo-terminals.
  const bool tcp = app.arguments().contains(QStringLiteral("--tcp"));
  for (int i = 0; i < lines; ++i) {
    auto sim = std::make_unique<QProcess>();
    const QString link = dir.filePath(QStringLiteral("line%1").arg(i));
    sim->start(QStringLiteral(KOV_SIM_PATH),
               tcp ? QStringList{"--tcp", "127.0.0.1:0", "--paced"} : QStringList{"--link", link, "--paced"});
    if (!sim->waitForStarted(5000))
      return std::fprintf(stderr, "kov-sim did not start\n"), 1;
    while (!sim->canReadLine())
      if (!sim->waitForReadyRead(5000))
        return std::fprintf(stderr, "kov-sim did not start\n"), 1;
    links << (tcp ? QString::fromLatin1(sim->readLine().trimmed()) : link);
    sims.push_back(std::move(sim));
  }
  QList<double> alone, together, second, wall, cpu, simCpu;
  auto simsCpu = [&sims] {
    double s = 0;
    for (const auto &sim : sims)
      s += processCpuSeconds(sim->processId());
    return s;
  };
  for (int r = 0; r < runs; ++r) {
    const Batch one = runBatch(dir, links, 1);
    const double sims0 = simsCpu();
    const Batch all = runBatch(dir, links, lines);
    simCpu << simsCpu() - sims0;
    if (!one.ok || !all.ok)
      return std::fprintf(stderr, "a batch failed\n"), 1;
    alone << one.firstMs << one.laterMs;
    together << all.firstMs;
    second << all.laterMs;
    wall << all.wallS;
    cpu << all.cpuS;
  }
  const double a = median(alone), t = median(together), t2 = median(second);
  std::printf("%s: ", tcp ? "loopback TCP" : "pseudo-terminals");
  std::printf("batch of %d paced lines, two parameter reads each: the first, median %.1f ms a line (worst %.1f ms), one line "
              "alone %.1f ms: %+.2f%% (target within 2%%)\n",
              lines, t, *std::max_element(together.begin(), together.end()), a, 100.0 * (t - a) / a);
  std::printf("  each line's second read (its process started): median %.1f ms (worst %.1f ms): %+.2f%%\n", t2,
              *std::max_element(second.begin(), second.end()), 100.0 * (t2 - a) / a);
  std::printf("the whole batch: %.2f s, %.3f s of CPU (all its processes), %.0f%% of one core; the %d simulators "
              "meanwhile %.3f s\n",
              median(wall), median(cpu), 100.0 * median(cpu) / median(wall), lines, median(simCpu));
  for (auto &sim : sims) {
    sim->terminate();
    sim->waitForFinished(5000);
  }
  return 0;
}
