// The settings store on Linux and the other Unix systems: one text file in the user's
// configuration folder, ~/.config/Quillane/Quillane.conf, in the form Qt's settings classes give
// it. The program reads and replaces it itself, through its folder opened once, as it does every
// file of its own: Qt's classes would open it, its lock and its temporary file by name.
#include "mainwindow/core/settings_place.h"

#include "mainwindow/core/posix/settings_text.h"
#include "shell/core/app_title.h"
#include "shell/core/file_io.h"
#include "shell/core/file_system.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

// How long a close waits for another program that is writing the store.
constexpr int kLockWaitMs = 3000;

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The store's lock: a file beside the store that every program writing the store holds locked
// while it reads, changes and replaces the store, so that two closing at once keep each other's
// values. Made in the store's folder, never through a link; removed while still held, so a
// program that was waiting on it checks that the name still leads to the file it locked.
class StoreLock {
public:
    ~StoreLock()
    {
        if (file_.isOpen()) {
            ::unlinkat(int(folder_->native()), name_.constData(), 0);
        }
    }

    enum class Outcome { Taken, NotTaken, Failed };
    // On Failed, `reason` is why the lock file could not be made.
    Outcome take(const FsHandle &folder, const QString &name, int waitMs, QString &reason)
    {
        folder_ = &folder;
        name_ = QFile::encodeName(name);
        const int at = int(folder.native());
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            FsHandle file(::openat(at, name_.constData(),
                                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!file.isOpen() && errno == EEXIST) {
                file = FsHandle(
                    ::openat(at, name_.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            }
            if (!file.isOpen()) {
                const int error = errno;
                if (error == ENOENT && waited.elapsed() < waitMs) {
                    // given back and removed between the two tries
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                // A link, a folder or a pipe in its place is no lock of ours.
                if (error == EEXIST || error == ELOOP || error == EISDIR || error == ENXIO ||
                    error == ENOENT) {
                    return Outcome::NotTaken;
                }
                reason = systemText(error);
                return Outcome::Failed;
            }
            struct stat held {};
            if (::fstat(int(file.native()), &held) != 0 || !S_ISREG(held.st_mode) ||
                held.st_uid != ::geteuid()) {
                return Outcome::NotTaken;
            }
            while (::flock(int(file.native()), LOCK_EX | LOCK_NB) != 0) {
                if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= waitMs) {
                    return Outcome::NotTaken;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            struct stat named {};
            if (::fstatat(at, name_.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
                file_ = std::move(file);
                return Outcome::Taken;
            }
            if (waited.elapsed() >= waitMs) {
                return Outcome::NotTaken;
            }
        }
    }

private:
    const FsHandle *folder_ = nullptr;
    QByteArray name_;
    FsHandle file_;
};

// The bytes of the regular file at the place, or why they cannot be had.
FsError readAll(const FsPlace &place, QByteArray &bytes)
{
    FsHandle file;
    if (const FsError e = fsOpenForReading(place.folder, place.name, file)) {
        return e;
    }
    constexpr qint64 kBlock = 1024 * 1024;
    for (;;) {
        const qsizetype at = bytes.size();
        bytes.resize(at + kBlock);
        FsError e;
        const qint64 n = fsRead(file, bytes.data() + at, kBlock, e);
        if (n < 0) {
            return e;
        }
        bytes.resize(at + n);
        if (n == 0) {
            return {};
        }
    }
}

// The file replaced whole: a new file made beside it, written, on the disk, then put in its
// place in one step. A replaced file keeps its mode; a new one has the umask's, readable and
// writable by the user at the least. Nothing is left behind when a step fails.
FsError replaceFile(const FsPlace &place, const QByteArray &bytes)
{
    const int oldMode = fsModeAt(place.folder, place.name);
    FsHandle file;
    QString temp;
    if (const FsError e = createFileBeside(place.folder, place.name, file, temp)) {
        return e;
    }
    const int made = fsModeAt(place.folder, temp);
    const int mode = oldMode >= 0 ? oldMode : made | 0600;
    FsError e;
    if (mode != made) {
        e = fsSetMode(file, mode);
    }
    if (!e) {
        e = fsWrite(file, bytes.constData(), bytes.size());
    }
    if (!e) {
        e = fsSync(file);
    }
    file.reset();
    if (!e) {
        e = fsRename(place.folder, temp, place.name);
    }
    if (e) {
        (void)fsRemove(place.folder, temp);
    }
    return e;
}

}  // namespace

void settleSettingsPlace()
{
#ifndef Q_OS_DARWIN
    // Qt takes a relative XDG_CONFIG_HOME as it stands, below the working folder; the XDG rules
    // say it names no place, so the folder below the home folder is used.
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!set.isEmpty() && QDir::isRelativePath(set)) {
        const QString home = fsUserFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
    }
#endif
}

bool storeIsOneFile()
{
    return true;
}

QString settingsLocation()
{
#ifdef Q_OS_DARWIN
    return QSettings(kMakerName, kMakerName).fileName();
#else
    // A QSettings on the store's file reads it at once, by name. One of another name in the same
    // folder tells where the store lies (tests and benchmarks move it there), without a look at
    // the store.
    const QFileInfo beside(QSettings(kMakerName, QStringLiteral("dialroster-location")).fileName());
    return beside.dir().filePath(kMakerName + QStringLiteral(".conf"));
#endif
}

StoredSection readStoredSection(const QByteArray &fileBytes)
{
    const SettingsText text(fileBytes);
    return StoredSection{text.keysIn(kProductName), text.wellFormed()};
}

std::optional<QString> writeStoredSection(const FsHandle &folder,
                                          const QList<std::pair<QString, QString>> &values)
{
    const QString file = settingsLocation();
    const QString name = QFileInfo(file).fileName();
    // The store's name was looked at; from here on it is reached only through the folder.
    fsRunRaceHook();
    StoreLock lock;
    QString reason;
    const QString lockName = name + QStringLiteral(".lock");
    switch (lock.take(folder, lockName, kLockWaitMs, reason)) {
        case StoreLock::Outcome::Taken:
            break;
        case StoreLock::Outcome::NotTaken:
            return QStringLiteral("its lock %1 could not be taken")
                .arg(QDir::toNativeSeparators(file + QStringLiteral(".lock")));
        case StoreLock::Outcome::Failed:
            return reason;
    }
    // The file the name leads to, through links of the user's own, as it always was.
    FsPlace place;
    const FsError found = fsPlaceOf(folder, name, place);
    if (found.kind == FsError::OtherUsersLink) {
        return QStringLiteral("%1 is a link that another user made")
            .arg(QDir::toNativeSeparators(file));
    }
    if (found) {
        return found.reason;
    }
    // Every value already stored stays; a file that cannot be read is not replaced, lest they
    // go. A folder in its place is left for the replacing to report.
    QByteArray old;
    switch (fsEntryKind(place.folder, place.name)) {
        case EntryKind::RegularFile:
            if (const FsError e = readAll(place, old)) {
                return e.reason;
            }
            break;
        case EntryKind::Special:
            return QStringLiteral("it is no plain file");
        default:
            break;
    }
    SettingsText text(old);
    for (const auto &[key, value] : values) {
        text.setValue(kProductName + QLatin1Char('/') + key, value);
    }
    if (const FsError e = replaceFile(place, text.toBytes())) {
        return e.reason;
    }
    return std::nullopt;
}
