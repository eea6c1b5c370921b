#include "shell/core/app_title.h"

namespace {
QString g_title;
}

QString shortenedTitle(const QString &name)
{
    QString t = name;
    do {
        const int p = t.lastIndexOf(QLatin1Char(' '));
        // Without a blank the name cannot get shorter; keep it whole rather than lose it.
        if (p < 0) {
            break;
        }
        t.truncate(p);
    } while (t.size() > 40);
    return t;
}

void SetApplicationTitle()
{
    // Kept here, not handed to Qt as its display name: on X11 Qt appends that name to every
    // window caption that does not already end with it, so the main window's caption would
    // read "<product name> - <application title>" and every dialog's would carry it too.
    g_title = shortenedTitle(kProductName);
}

QString applicationTitle()
{
    return g_title.isEmpty() ? shortenedTitle(kProductName) : g_title;
}
