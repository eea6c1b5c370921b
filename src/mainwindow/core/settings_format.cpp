#include "mainwindow/core/settings_format.h"

#include <QStringDecoder>

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

void forEachStoredPrefix(QStringView stored, const std::function<void(QStringView)> &add)
{
    for (const QStringView piece : stored.tokenize(u';', Qt::SkipEmptyParts)) {
        add(piece);
    }
}

bool looksLikeSettingsText(const QByteArray &bytes)
{
    if (bytes.isEmpty()) {
        return true;
    }
    if (!bytes.endsWith('\n') || bytes.contains('\0')) {
        return false;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(bytes);
    if (utf8.hasError()) {
        return false;
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        QByteArrayView line(bytes.constData() + start, end - start);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const bool fine = line.isEmpty() || line.startsWith(';') || line.startsWith('#') ||
                          (line.startsWith('[') && line.endsWith(']')) || line.contains('=');
        if (!fine) {
            return false;
        }
        start = end + 1;
    }
    return true;
}
