#include "shell/core/file_io.h"

#include "shell/core/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

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

namespace {

std::function<void()> g_raceHook;

QString otherUsersLink(const QString &path, const QString &link)
{
    return QStringLiteral(
               "Cannot write the file %1: %2 is a link that another user made, and "
               "nothing is written through it")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(link));
}

QString nameBeside(const QString &name)
{
    return name + QLatin1Char('.') +
           QString::number(QRandomGenerator::global()->bounded(36 * 36 * 36 * 36), 36);
}

}  // namespace

FsError createFileBeside(const FsHandle &folder, const QString &name, FsHandle &file, QString &made)
{
    for (;;) {
        made = nameBeside(name);
        const FsError e = fsCreateFile(folder, made, file);
        if (e.kind != FsError::Exists) {
            if (e) {
                made.clear();
            }
            return e;
        }
    }
}

void fsSetRaceHook(std::function<void()> hook)
{
    g_raceHook = std::move(hook);
}

void fsRunRaceHook()
{
    if (g_raceHook) {
        g_raceHook();
    }
}

AtomicFile::AtomicFile(const QString &path) : path_(path) {}

AtomicFile::~AtomicFile()
{
    if (!temp_.isEmpty()) {
        // Given up: the temporary file goes, the target stays as it was.
        file_.reset();
        (void)fsRemove(place_.folder, temp_);
    }
}

void AtomicFile::fail(const QString &reason) const
{
    throw Failure(QStringLiteral("Cannot write the file %1: %2")
                      .arg(QDir::toNativeSeparators(path_), reason));
}

void AtomicFile::open()
{
    const FsError found = fsPlaceOf(path_, place_);
    if (found.kind == FsError::OtherUsersLink) {
        throw Failure(otherUsersLink(path_, found.at));
    }
    if (found) {
        fail(found.reason);
    }
    switch (fsEntryKind(place_.folder, place_.name)) {
        case EntryKind::Folder:
            fail(QString::fromLocal8Bit(std::strerror(EISDIR)));
        case EntryKind::OtherUsersLink:
            throw Failure(otherUsersLink(path_, path_));
        default:
            break;
    }
    // From here on the name is never looked up again: whatever is put there now is replaced.
    fsRunRaceHook();
    const int oldMode = fsModeAt(place_.folder, place_.name);
    if (const FsError e = createFileBeside(place_.folder, place_.name, file_, temp_)) {
        fail(e.reason);
    }
    if (oldMode >= 0) {
        (void)fsSetMode(file_, oldMode);
    }
}

void AtomicFile::requireRoom(qint64 bytes)
{
    const qint64 free = fsFreeBytes(place_.folder);
    if (free >= 0 && bytes > free) {
        const QLocale c = QLocale::c();
        fail(QStringLiteral("%1 (it needs at least %2, and %3 are free there). Nothing was "
                            "written.")
                 .arg(QString::fromLocal8Bit(std::strerror(ENOSPC)),
                      c.formattedDataSize(bytes, 2, QLocale::DataSizeSIFormat),
                      c.formattedDataSize(free, 2, QLocale::DataSizeSIFormat)));
    }
}

void AtomicFile::write(QByteArrayView bytes)
{
    if (!file_.isOpen()) {
        fail(QString::fromLocal8Bit(std::strerror(EBADF)));
    }
    if (const FsError e = fsWrite(file_, bytes.constData(), bytes.size())) {
        fail(e.reason);
    }
}

void AtomicFile::commit()
{
    if (!file_.isOpen()) {
        fail(QString::fromLocal8Bit(std::strerror(EBADF)));
    }
    if (const FsError e = fsSync(file_)) {
        fail(e.reason);
    }
    if (const FsError e = fsRenameHeld(place_.folder, file_, temp_, place_.name)) {
        fail(e.reason);
    }
    temp_.clear();
}

std::optional<QString> openOwnFolder(const QString &path, FolderCheck check, bool create,
                                     FsHandle &folder)
{
    const QString shown = QDir::toNativeSeparators(path);
    const FsError e = fsOpenOwnFolder(path, check, create, folder);
    if (!e) {
        return std::nullopt;
    }
    if (e.kind == FsError::Missing && !create) {
        return std::nullopt;  // not there, and not to be made
    }
    if (e.kind == FsError::NotYoursAlone) {
        return QStringLiteral("The folder %1 is not yours alone: %2. Nothing is written into it.")
            .arg(shown, e.reason);
    }
    if (e.kind == FsError::OtherUsersLink) {
        return QStringLiteral(
                   "The folder %1 is not yours alone: %2 is a link that another user made. "
                   "Nothing is written into it.")
            .arg(shown, QDir::toNativeSeparators(e.at));
    }
    return QStringLiteral("The folder %1 could not be made: %2.").arg(shown, e.reason);
}

FsHandle openOwnFolder(const QString &path, FolderCheck check)
{
    FsHandle folder;
    if (const std::optional<QString> refused = openOwnFolder(path, check, true, folder)) {
        throw Failure(*refused);
    }
    return folder;
}

std::optional<QByteArray> readOwnFile(const FsHandle &folder, const QString &name, qint64 limit)
{
    FsHandle file;
    if (fsOpenForReading(folder, name, file)) {
        return std::nullopt;
    }
    QByteArray bytes;
    constexpr qint64 kBlock = 64 * 1024;
    for (;;) {
        const qint64 at = bytes.size();
        bytes.resize(at + kBlock);
        FsError e;
        const qint64 n = fsRead(file, bytes.data() + at, kBlock, e);
        if (n < 0) {
            return std::nullopt;
        }
        bytes.resize(at + n);
        if (bytes.size() > limit) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
    }
}

bool replaceSmallFile(const FsHandle &folder, const QString &name, const QByteArray &bytes)
{
    FsHandle file;
    QString made;
    if (createFileBeside(folder, name, file, made)) {
        return false;
    }
    const bool written = !fsWrite(file, bytes.constData(), bytes.size());
    if (!written || fsRenameHeld(folder, file, made, name)) {
        file.reset();
        (void)fsRemove(folder, made);
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
