#include "shell/core/file_io.h"

#include "shell/core/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace {

[[noreturn]] void cannotRead(const QString &path, const QString &reason)
{
    throw Failure(
        QStringLiteral("Cannot read %1 (%2)").arg(QDir::toNativeSeparators(path), reason));
}

}  // namespace

#ifndef Q_OS_WIN  // Windows: windows/file_io.cpp
std::optional<QString> linkOfAnotherUser(const QString &path)
{
#ifdef Q_OS_UNIX
    QString at = QDir::fromNativeSeparators(path);
    struct stat link {};
    for (int hop = 0; hop < 40 && ::lstat(QFile::encodeName(at).constData(), &link) == 0 &&
                      S_ISLNK(link.st_mode);
         ++hop) {
        if (link.st_uid != ::geteuid()) {
            return at;
        }
        at = QFileInfo(at).symLinkTarget();
    }
#else
    (void)path;
#endif
    return std::nullopt;
}
#endif

bool nameTaken(const QString &path)
{
    const QFileInfo there(QDir::fromNativeSeparators(path));
    return there.exists() || there.isSymLink();
}

PathKind pathKindOf(const QString &path)
{
    if (path.isEmpty()) {
        return PathKind::Missing;
    }
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.exists()) {
        return PathKind::Missing;
    }
    if (info.isDir()) {
        return PathKind::Folder;
    }
    // isFile() is false for devices, pipes and sockets; a link counts as what it points to.
    return info.isFile() ? PathKind::RegularFile : PathKind::Special;
}

std::optional<QByteArray> readWholeFile(const QString &path, qint64 limit)
{
    // Opening a named pipe would wait for a writer, and a device may never end: only a regular
    // file is opened at all.
    if (pathKindOf(path) != PathKind::RegularFile) {
        cannotRead(path, QStringLiteral("not a regular file"));
    }
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        cannotRead(path, file.errorString());
    }
    if (file.size() > limit) {
        return std::nullopt;
    }
    // Read up to one byte past the limit, so a file that grows while it is read stops there. A
    // file of the system's that says it is empty (/proc) is read in large blocks all the same.
    constexpr qint64 kBlock = 1024 * 1024;
    QByteArray bytes;
    for (;;) {
        const qint64 room = limit - bytes.size();
        const qint64 want = std::max(file.size() + 1 - bytes.size(), kBlock);
        const QByteArray more = file.read(room < want ? room + 1 : want);
        if (more.isEmpty()) {
            break;
        }
        bytes += more;
        if (bytes.size() > limit) {
            return std::nullopt;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        cannotRead(path, file.errorString());
    }
    return bytes;
}

AtomicFile::AtomicFile(const QString &path) : path_(path), file_(QDir::fromNativeSeparators(path))
{
}

AtomicFile::~AtomicFile()
{
    if (file_.isOpen()) {
        // A cancelled commit removes the temporary file and leaves the target alone.
        file_.cancelWriting();
        file_.commit();
    }
}

void AtomicFile::fail() const
{
    throw Failure(QStringLiteral("Cannot write the file %1: %2")
                      .arg(QDir::toNativeSeparators(path_), file_.errorString()));
}

void AtomicFile::open()
{
    if (const std::optional<QString> link = linkOfAnotherUser(path_)) {
        throw Failure(QStringLiteral("Cannot write the file %1: %2 is a link that another user "
                                     "made, and nothing is written through it")
                          .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(*link)));
    }
    // Unbuffered, so a full disk shows at the write that meets it rather than at the commit.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fail();
    }
}

void AtomicFile::write(QByteArrayView bytes)
{
    // A disk that fills in the middle takes part of a write without saying why; the write of
    // the rest then fails with the reason.
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file_.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            fail();
        }
        done += n;
    }
}

void AtomicFile::commit()
{
    if (!file_.commit()) {
        fail();
    }
}

#ifndef Q_OS_WIN  // Windows: windows/file_io.cpp
void makePrivateFolder(const QString &path)
{
    const QString folder = QDir::fromNativeSeparators(path);
    const QString shown = QDir::toNativeSeparators(folder);
    const auto cannotMake = [&](const QString &why) {
        throw Failure(QStringLiteral("The folder %1 could not be made: %2.").arg(shown, why));
    };
    const auto notPrivate = [&](const QString &why) {
        throw Failure(
            QStringLiteral("The folder %1 is not yours alone: %2. Nothing is written into it.")
                .arg(shown, why));
    };
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())) {
        cannotMake(QStringLiteral("the folder that holds it could not be made"));
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(folder);
    struct stat made {};
    if ((::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) ||
        ::lstat(name.constData(), &made) != 0) {
        cannotMake(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISLNK(made.st_mode)) {
        notPrivate(QStringLiteral("it is a link"));
    } else if (!S_ISDIR(made.st_mode)) {
        notPrivate(QStringLiteral("it is no folder"));
    } else if (made.st_uid != ::geteuid()) {
        notPrivate(QStringLiteral("it belongs to another user"));
    } else if ((made.st_mode & 077) != 0) {
        notPrivate(QStringLiteral("other users can reach it (its mode is %1)")
                       .arg(made.st_mode & 0777, 4, 8, QLatin1Char('0')));
    }
#else
    if (!QDir().mkpath(folder)) {
        cannotMake(QStringLiteral("the system refused it"));
    }
#endif
}
#endif

#ifndef Q_OS_WIN  // Windows: windows/file_io.cpp
bool replaceSmallFile(const QString &path, const QByteArray &bytes)
{
    const QString target = QDir::fromNativeSeparators(path);
    const QString next = target + QStringLiteral(".new");
    // Made anew, never opened through whatever has that name: a run killed in the middle may
    // have left one, and a link there would have the text written wherever it points.
    QFile::remove(next);
    QFile file(next);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size()) {
        file.remove();
        return false;
    }
    file.close();
    // rename(2) replaces the old file in one step; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(next).constData(), QFile::encodeName(target).constData()) !=
        0) {
        QFile::remove(next);
        return false;
    }
    return true;
}
#endif

QString FileNameFromPath(const QString &path)
{
    // Both separators count, so names the dialog gave in either form are cut alike.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}
