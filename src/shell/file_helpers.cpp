#include "shell/file_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString g_programFolder;
}

QString ProgramFolder()
{
    const QString folder =
        g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_programFolder;
    return QDir::toNativeSeparators(folder);
}

QString programFile(const QString &relativeName)
{
    QString path = ProgramFolder() + QDir::separator() + relativeName;
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(path)));
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
    // Only the entry itself is asked about, never its contents, so unreadable files count.
    QFileInfo info(QDir::fromNativeSeparators(path));
    return info.exists() || info.isSymLink();
}

bool FileListed(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    QFileInfo info(QDir::fromNativeSeparators(path));
    return info.exists() && info.isFile() && !info.isHidden();
}
