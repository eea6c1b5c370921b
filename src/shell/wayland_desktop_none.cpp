// Where there is no Wayland (Windows): the desktop's own busy pointer, Qt's own window frames,
// and the clipboard is the system's to keep after the end.
#include "shell/wayland_desktop.h"

QCursor busyPointer(qreal)
{
    return QCursor(Qt::WaitCursor);
}

void keepFixedWindowsUnmaximized() {}

void keepWaylandClipboardAfterTheEnd() {}
