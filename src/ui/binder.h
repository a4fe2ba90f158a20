#pragma once
#include <QColor>
class Control;
class QWidget;
class QAction;
class QMenu;

// Keeps widgets and their control models in step, both ways: the model's
// changes are drawn, and the operator's typing, keys, clicks, double-clicks
// and leaving a field are handed to the model's handlers.
namespace binder {
void bind(Control &control, QWidget *widget);
void bind(Control &control, QAction *action);
void bind(Control &control, QMenu *menu);
// Twips of the models as pixels of this screen (1440 twips an inch).
int toPixels(int twips, QWidget *onScreenOf);
// The tint of a value changed from its standard: amber over the palette's
// base, so light stays light and dark stays dark.
QColor changedTint(const QWidget *w);
} // namespace binder
