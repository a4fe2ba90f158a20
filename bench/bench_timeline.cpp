// The I/O timeline against the built-in paced simulator: what repainting
// it costs while the monitor runs with 10,000 changes kept, and whether the
// monitor's ticks keep their period with it open.
#include "benchfigures.h"
#include "chartwindows.h"
#include "gui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Run {
  QList<double> periods; // ms between ticks
  double cpuPercent = 0;
};

// The monitor's timer running for `seconds`, stopped through its button.
Run monitorFor(Gui &gui, double seconds) {
  IoMonitor &io = gui.program.io;
  Run run;
  QElapsedTimer tick;
  auto noted = QObject::connect(&io.timerInputOutput1, &QTimer::timeout, [&] {
    if (tick.isValid())
      run.periods << double(tick.nsecsElapsed()) / 1e6;
    tick.start();
  });
  const double cpu0 = cpuSeconds();
  QElapsedTimer clock;
  clock.start();
  io.timerInputOutput1.start();
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  io.timerInputOutput1.stop();
  run.cpuPercent = 100.0 * (cpuSeconds() - cpu0) / (double(clock.nsecsElapsed()) / 1e9);
  QObject::disconnect(noted);
  return run;
}

} // namespace

int main(int argc, char *argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool quick = app.arguments().contains(QStringLiteral("--quick"));
  const double seconds = quick ? 2 : 10;
  Gui gui;
  gui.useSimulator();
  gui.program.Main(false);
  ControllerSim &sim = *gui.simulated.sim();
  IoMonitor &io = gui.program.io;

  // 10,000 changes kept: STB and RES turned over on every tick, unpaced.
  sim.setPaced(false);
  gui.program.frmMain.cmdIoMonitor.click();
  io.timerInputOutput1.stop(); // ticked here
  for (int i = 0; io.history().changes().size() < 10000; ++i) {
    sim.setInputWord(i % 2 ? ControllerSim::InStb : 0x200);
    io.timerInputOutput1_Timer();
    if (!io.IoMonitoring)
      return std::fprintf(stderr, "the monitor ended while filling\n"), 1;
  }
  sim.setPaced(true);
  const qsizetype kept = io.history().changes().size();

  const Run hidden = monitorFor(gui, seconds);

  gui.program.frmMain.cmdIoTimeline.click();
  TimelineWindow *window = gui.main.timelineWindow();
  TraceChart *chart = window->chart();
  // Zoomed out so that every change stays in view, the costliest picture.
  chart->view.span = io.runMs() + qint64(seconds * 1000) + 60000;
  int paints = 0;
  QList<double> paintMs;
  struct PaintCounter : QObject {
    int *count;
    explicit PaintCounter(int *c) : count(c) {}
    bool eventFilter(QObject *, QEvent *e) override {
      *count += e->type() == QEvent::Paint;
      return false;
    }
  } counter(&paints);
  chart->installEventFilter(&counter);
  QElapsedTimer settle;
  settle.start();
  while (!window->isVisible() || settle.elapsed() < 200)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

  // One repaint on its own, measured on this thread's CPU clock.
  for (int i = 0; i < (quick ? 5 : 30); ++i) {
    const double t0 = threadCpuMs();
    chart->repaint();
    paintMs << threadCpuMs() - t0;
  }
  // The worst picture: 10,000 changes spread evenly over the chart's width,
  // so that every pixel column has edges to draw.
  IoHistory spread;
  for (int row = 0; row < IoHistory::Signals; ++row)
    spread.append({0, row, false});
  for (int i = 0; i < 10000; ++i)
    spread.append({qint64(i) * 6, i % IoHistory::Signals, (i / IoHistory::Signals) % 2 == 0});
  TraceChart even(spread, nullptr);
  even.resize(chart->size());
  even.view.following = false;
  even.view.start = 0;
  even.view.span = even.now = 60000;
  QImage canvas(even.size(), QImage::Format_ARGB32_Premultiplied);
  QList<double> spreadMs;
  for (int i = 0; i < (quick ? 5 : 30); ++i) {
    const double t0 = threadCpuMs();
    even.render(&canvas);
    spreadMs << threadCpuMs() - t0;
  }

  paints = 0;
  const Run shown = monitorFor(gui, seconds);
  const double perTick = median(paintMs), perTickSpread = median(spreadMs);
  const double share = perTick * double(paints) / (seconds * 1000.0) * 100.0;
  const double shareSpread = perTickSpread * double(paints) / (seconds * 1000.0) * 100.0;

  double worst = 0;
  for (double p : shown.periods)
    worst = std::max(worst, std::abs(p - 300.0));
  std::printf("I/O timeline, %lld changes kept, all in view: a repaint takes %.2f ms of CPU (median of %lld); "
              "%d repaints in %.0f s of monitoring cost %.3f%% of one core (target < 1%%)\n",
              static_cast<long long>(kept), perTick, static_cast<long long>(paintMs.size()), paints, seconds, share);
  std::printf("the same spread evenly over the chart's %d pixels: a repaint takes %.2f ms, at the same rate "
              "%.3f%% of one core (target < 1%%)\n",
              even.plotArea().width(), perTickSpread, shareSpread);
  std::printf("whole process while monitoring: %.3f%% of one core with the timeline hidden, %.3f%% with it shown\n",
              hidden.cpuPercent, shown.cpuPercent);
  std::printf("monitor tick period with the timeline shown: median %.1f ms over %lld ticks (target within 1%% of "
              "300 ms), worst %.1f ms off; hidden: median %.1f ms\n",
              median(shown.periods), static_cast<long long>(shown.periods.size()), worst, median(hidden.periods));
  return paints > 0 && !shown.periods.isEmpty() ? 0 : 1;
}
