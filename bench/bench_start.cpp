// kov-t6 as it starts, on the simulator and without the splash, saying
// when its main window is shown and how much memory it holds then.
#include "gui.h"

#include <QApplication>
#include <QFile>
#include <QWindow>
#include <cstdio>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  Gui gui;
  gui.useSimulator();
  gui.program.Main(false);
  // Shown once the platform exposes it; events, not a spinning loop, wake us.
  while (!gui.main.windowHandle() || !gui.main.windowHandle()->isExposed())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QFile status(QStringLiteral("/proc/self/status"));
  QByteArray rss = "?";
  if (status.open(QIODevice::ReadOnly))
    for (const QByteArray &line : status.readAll().split('\n'))
      if (line.startsWith("VmRSS:"))
        rss = line.mid(6).trimmed().split(' ').value(0);
  std::printf("%s\n", rss.constData());
  std::fflush(stdout);
  return 0;
}
