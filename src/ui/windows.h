#pragma once
#include <QList>

class Program;
class QWidget;

// The six windows besides the main window, built and bound to their models.
// They show and hide as their models say.
QList<QWidget *> buildWindows(Program &program, QWidget *mainWindow);
