#pragma once

// The title bars of a Wayland session whose compositor draws none (mutter, GNOME's compositor):
// there Qt draws them, and Qt 6.4's only title bar puts minimize, maximize and close on every
// window, whatever the window's flags and size. The program's own offers what the window's flags
// offer, and maximize only to a window that can change its size: the fixed window gets minimize
// and close, a box close alone. It looks as Qt's does otherwise and keeps its frame, so windows
// keep their size and place.

// Has Qt use the program's title bar, unless the user has chosen one (QT_WAYLAND_DECORATION).
// Before the first window is shown. A build against a Qt Wayland client the title bar is not
// made for keeps Qt's.
void useOwnTitleBars();
