// Where there is no Wayland (Windows): the desktop's own busy pointer, Qt's own window frames,
// and the clipboard is the system's to keep after the end.
#include "shell/wayland_desktop.h"

#include <QClipboard>
#include <QGuiApplication>

QCursor busyPointer(qreal)
{
    return QCursor(Qt::WaitCursor);
}

void arrangeWaylandWindows() {}

void putTextOnClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

void keepWaylandClipboardAfterTheEnd() {}
