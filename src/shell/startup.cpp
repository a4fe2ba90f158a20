#include "startup.h"
#include "module1.h"
#include "settingsstore.h"

#include <algorithm>
#include <cmath>

void LoadSettings(Module1 &m, const SettingsStore &store) {
  m.LangChanged = false;
  m.useLanguege(store.int16(QStringLiteral("Languege"), 1));
  m.PortNo = store.int16(QStringLiteral("PortNo"), 1);
  m.PortOccupy = store.flag(QStringLiteral("PortOccupy"), true);
  m.MmRoundUp = store.flag(QStringLiteral("MmRoundUp"), true);
  m.DispMmUnit = store.flag(QStringLiteral("DispMmUnit"), true);
}

void SaveSettingsAtUnload(Module1 &m, SettingsStore &store) {
  store.write(QStringLiteral("PortNo"), m.PortNo);
  if (m.LangChanged)
    m.Languege = m.Languege == 1 ? 2 : 1;
  store.write(QStringLiteral("Languege"), m.Languege);
}

QString VersionText(int major, int minor, int revision) {
  return QStringLiteral("Version %1.%2%3").arg(major).arg(minor).arg(revision);
}

bool SwallowsKey(int vbKeyCode, qint16 languege) {
  constexpr int F1 = 112;
  return vbKeyCode == F1 && languege != 1;
}

QPoint TwipsToPixels(double leftTwips, double topTwips, double dpi) {
  // 1440 twips an inch: 15 twips a pixel at 96 dpi.
  return QPoint(int(std::lround(leftTwips * dpi / 1440.0)),
                int(std::lround(topTwips * dpi / 1440.0)));
}

QRect FitOnScreen(QRect wanted, const QRect &available) {
  if (available.isEmpty())
    return wanted;
  wanted.setSize(wanted.size().boundedTo(available.size()));
  wanted.moveLeft(std::clamp(wanted.left(), available.left(), available.right() - wanted.width() + 1));
  wanted.moveTop(std::clamp(wanted.top(), available.top(), available.bottom() - wanted.height() + 1));
  return wanted;
}

QPoint KeepOnScreen(QPoint wanted, QSize size, const QList<QRect> &screens) {
  if (screens.isEmpty())
    return wanted;
  // The title bar must be reachable: its top strip, at least 100 pixels of it.
  const QRect titleBar(wanted, QSize(qMin(size.width(), 100), 30));
  for (const QRect &s : screens)
    if (s.contains(titleBar))
      return wanted;
  return screens.first().topLeft();
}
