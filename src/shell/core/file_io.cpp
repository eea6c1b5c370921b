#include "shell/core/file_io.h"

#include "shell/core/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The writes under way; the program's end gives them up.
std::vector<AtomicFile *> &unfinished()
{
    static std::vector<AtomicFile *> files;
    return files;
}

void forget(AtomicFile *file)
{
    auto &files = unfinished();
    files.erase(std::remove(files.begin(), files.end(), file), files.end());
}

[[noreturn]] void cannotRead(const QString &path, const QString &reason)
{
    throw Failure(
        QStringLiteral("Cannot read %1 (%2)").arg(QDir::toNativeSeparators(path), reason));
}

}  // namespace

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
    // Read up to one byte past the limit, so a file that grows while it is read stops there.
    QByteArray bytes;
    for (;;) {
        const QByteArray more = file.read(std::max<qint64>(file.size() + 1 - bytes.size(), 1));
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
    abandon();
}

void AtomicFile::fail() const
{
    throw Failure(QStringLiteral("Cannot write the file %1: %2")
                      .arg(QDir::toNativeSeparators(path_), file_.errorString()));
}

void AtomicFile::open()
{
    // Unbuffered, so a full disk shows at the write that meets it rather than at the commit.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fail();
    }
    unfinished().push_back(this);
}

void AtomicFile::write(QByteArrayView bytes)
{
    // Not open once given up: the program is ending.
    if (!file_.isOpen()) {
        fail();
    }
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
    forget(this);
    if (!file_.commit()) {
        fail();
    }
}

void AtomicFile::abandon()
{
    forget(this);
    if (file_.isOpen()) {
        // A cancelled commit removes the temporary file and leaves the target alone.
        file_.cancelWriting();
        file_.commit();
    }
}

void AtomicFile::abandonAll()
{
    while (!unfinished().empty()) {
        unfinished().back()->abandon();
    }
}

bool replaceSmallFile(const QString &path, const QByteArray &bytes)
{
    const QString target = QDir::fromNativeSeparators(path);
    const QString next = target + QStringLiteral(".new");
    QFile file(next);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
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

QString FileNameFromPath(const QString &path)
{
    // Both separators count, so names the dialog gave in either form are cut alike.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}
