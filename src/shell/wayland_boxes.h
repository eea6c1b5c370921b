#pragma once

class QWindow;

// Where a compositor places a box. mutter, GNOME's compositor, places a window that names its
// parent as it does any other window (beside the windows already there, below the program's
// window) unless it is told through GNOME's own protocol that the window is a box of its
// parent; then it centres the box over its parent. KWin and sway centre boxes of their own
// accord. Each window system has its file, chosen by the build; where there is nothing to say,
// this does nothing.

// Tells the compositor that this window, about to be shown for the first time since it was
// created or hidden, is a box of the window it names as its parent.
void sayIsBoxOfItsWindow(QWindow *box);
