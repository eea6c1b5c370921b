#include "mainwindow/settings_format.h"

QString joinPrefixes(const QStringList &prefixes)
{
    qsizetype length = 0;
    for (const QString &p : prefixes) {
        length += p.size() + 1;
    }
    QString stored;
    stored.reserve(length);
    for (const QString &p : prefixes) {
        stored += p;
        stored += QLatin1Char(';');
    }
    return stored;
}

QStringList splitStoredPrefixes(const QString &stored)
{
    return stored.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}
