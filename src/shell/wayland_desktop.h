#pragma once

#include <QCursor>

// What the desktop seam does differently in a Wayland session. Elsewhere each of these does what
// Qt does anyway, or nothing.

// The busy pointer (the hourglass). On Wayland a still picture of our own: Qt 6.4 animates the
// theme's busy pointer with frame callbacks, and a frame that comes in after the animation's
// timer frees the callback that is still being handled, which crashes the program when the
// compositor is slow to answer. Elsewhere the desktop's own busy pointer.
QCursor busyPointer(qreal devicePixelRatio);

// The windows in a Wayland session, for as long as the program runs: the program's own title bars
// where the compositor draws none (see wayland_title_bar.h); a maximize of the fixed window or a
// minimize of a box, asked for some other way (a compositor's shortcut, say), undone; boxes placed
// over their window (see wayland_boxes.h). Before the first window is shown.
void arrangeWaylandWindows();

// Puts a text on the clipboard. Qt 6.4's Wayland clipboard never frees what was put on it: every
// copy made stays until the program ends, and with it the text twice over (as text and as UTF-8).
// So on Wayland the text is kept as UTF-8 alone, and a copy is freed once another has taken its
// place or another program has copied; the process that keeps the clipboard after the end then
// holds that one copy. Elsewhere what QClipboard::setText does.
void putTextOnClipboard(const QString &text);

// The end of the program in a Wayland session: a compositor keeps nothing (sway, KWin without a
// clipboard manager) or only the first 4 MiB (mutter) of what a program that has ended had on the
// clipboard. So the program, its window gone and its settings written, stays and keeps offering
// what it copied until something else is copied or the session ends, as wl-copy does. Returns at
// once when the program is not on Wayland or does not own the clipboard.
void keepWaylandClipboardAfterTheEnd();
