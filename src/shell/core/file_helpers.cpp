#include "shell/core/file_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString g_programFolder;

constexpr Qt::CaseSensitivity kNameCase =
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

bool isPlainFile(const QFileInfo &info)
{
    // isFile() already leaves out folders, devices, pipes and sockets.
    return info.isFile() && !info.isHidden();
}

// Only * and ? are wildcards, as in the folder listings users know; brackets are plain text.
QRegularExpression wildcardPattern(const QString &name)
{
    QString expression;
    for (const QChar c : name) {
        if (c == QLatin1Char('*')) {
            expression += QLatin1String(".*");
        } else if (c == QLatin1Char('?')) {
            expression += QLatin1Char('.');
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    QRegularExpression::PatternOptions options = QRegularExpression::DotMatchesEverythingOption;
    if (kNameCase == Qt::CaseInsensitive) {
        options |= QRegularExpression::CaseInsensitiveOption;
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression), options);
}

}  // namespace

QString ProgramFolder()
{
    const QString folder = g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                     : QDir::cleanPath(g_programFolder);
    return QDir::toNativeSeparators(folder);
}

QString programFile(const QString &relativeName)
{
    return ProgramFolder() + QDir::separator() + QDir::toNativeSeparators(relativeName);
}

void setProgramFolder(const QString &folder)
{
    g_programFolder = folder;
}

bool FileExists(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    try {
        // Only the entry itself is asked about, never its contents, so an unreadable file
        // counts; a link counts when what it points to exists.
        return QFileInfo::exists(QDir::fromNativeSeparators(path));
    } catch (const std::exception &) {
        return false;
    }
}

bool FileListed(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    try {
        const QString cleaned = QDir::fromNativeSeparators(path);
        const int cut = cleaned.lastIndexOf(QLatin1Char('/'));
        const QString name = cleaned.mid(cut + 1);
        if (name.isEmpty()) {
            return false;  // a folder's own path
        }
        if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
            return isPlainFile(QFileInfo(cleaned));
        }
        const QString folder = cut < 0 ? QStringLiteral(".") : cleaned.left(cut + 1);
        const QRegularExpression pattern = wildcardPattern(name);
        // Without QDir::Hidden and QDir::System the listing leaves hidden and special files out.
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Unsorted);
        for (const QFileInfo &entry : entries) {
            if (isPlainFile(entry) && pattern.match(entry.fileName()).hasMatch()) {
                return true;
            }
        }
        return false;
    } catch (const std::exception &) {
        return false;
    }
}
