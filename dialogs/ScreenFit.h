#pragma once

#include <QSize>

class QWidget;

// A dialog's size kept within the available area of the screen it opens on (the parent's, or
// the primary one), less room for the window frame: a dialog made for a large screen still
// shows its buttons on a small one, and its anchor layout fits the controls to what is left.
QSize FitToScreen(const QWidget* pDialog, const QSize& size);
