#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

struct Module1;
class SettingsStore;

// Settings read at start: language and its text base, port and options.
// A missing key, or a value that is not a number, gives the default.
void LoadSettings(Module1 &m, const SettingsStore &store);

// Written when the main window unloads, however it is closed: the port, and
// the language, switched when the options dialog picked the other one.
void SaveSettingsAtUnload(Module1 &m, SettingsStore &store);

// "Version 0.97" for 0.9.7: the minor and revision numbers written together.
QString VersionText(int major, int minor, int revision);

// The F1 key does nothing while the language is not Japanese.
bool SwallowsKey(int vbKeyCode, qint16 languege);

// Top-left corner of a window stored in twips, as pixels at `dpi`.
QPoint TwipsToPixels(double leftTwips, double topTwips, double dpi);

// Where to open a window of `size` asked for at `wanted`: there, unless its
// title bar would not lie on any of the screens; then on the first screen.
QPoint KeepOnScreen(QPoint wanted, QSize size, const QList<QRect> &screens);
// The whole of `wanted` on `available`: made smaller where it is larger,
// then moved the least distance inside.
QRect FitOnScreen(QRect wanted, const QRect &available);
