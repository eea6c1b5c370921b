#include "shell/app_title.h"

#include <QGuiApplication>

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
    g_title = shortenedTitle(kProductName);
    QGuiApplication::setApplicationDisplayName(g_title);
}

QString applicationTitle()
{
    return g_title.isEmpty() ? shortenedTitle(kProductName) : g_title;
}
