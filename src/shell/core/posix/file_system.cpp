// The file layer's calls into a POSIX system.
#include "shell/core/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <deque>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The kernel's own limit on links followed in one path.
constexpr int kMaxLinks = 40;

int fd(const FsHandle &handle)
{
    return int(handle.native());
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FsError systemError(const QString &at, int error)
{
    return FsError{error == ENOENT ? FsError::Missing : FsError::System, at, systemText(error)};
}

QString octal(mode_t mode)
{
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

// A folder held only to find names in: no read right on it is needed.
int openFolderAt(int at, const char *name)
{
#ifdef O_PATH
    return ::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
#else
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
#endif
}

// Links and folders the user or the system made are trusted; nobody else's.
bool trusted(uid_t owner)
{
    return owner == ::geteuid() || owner == 0;
}

// Why a folder above one of the program's own could be changed by someone else, if it could.
std::optional<QString> unsafeAbove(const struct stat &st, const QString &at)
{
    if (!trusted(st.st_uid)) {
        return QStringLiteral("%1 belongs to another user").arg(at);
    }
    const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool systemSticky = st.st_uid == 0 && (st.st_mode & S_ISVTX) != 0;
    if (othersWrite && !systemSticky) {
        return QStringLiteral("other users can write into %1 (its mode is %2)")
            .arg(at, octal(st.st_mode));
    }
    return std::nullopt;
}

QString joined(const QString &folder, const QByteArray &name)
{
    const QString n = QFile::decodeName(name);
    if (folder.isEmpty()) {
        return n;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder + n : folder + QLatin1Char('/') + n;
}

std::deque<QByteArray> partsOf(const QByteArray &path)
{
    std::deque<QByteArray> parts;
    for (const QByteArray &part : path.split('/')) {
        if (!part.isEmpty() && part != ".") {
            parts.push_back(part);
        }
    }
    return parts;
}

// Walks from a folder, one name at a time, each folder opened relative to the one before. A link
// is followed only when trusted, by walking its target from where it stands (or from the root),
// so what was looked at is what is used.
class Walk {
public:
    explicit Walk(bool strict) : strict_(strict) {}

    // Begins at the folder named by the start of `path` (the root, or the working folder).
    FsError begin(const QByteArray &path)
    {
        rest_ = partsOf(path);
        return restart(path.startsWith('/'));
    }

    // Begins in an open folder.
    FsError beginIn(const FsHandle &folder, const QString &shown, const QByteArray &path)
    {
        rest_ = partsOf(path);
        if (path.startsWith('/')) {
            return restart(true);
        }
        at_ = FsHandle(::fcntl(fd(folder), F_DUPFD_CLOEXEC, 0));
        shown_ = shown;
        return at_.isOpen() ? FsError{} : systemError(shown, errno);
    }

    // Goes through every folder but the last name, which is left in `rest` alone.
    FsError toLastName()
    {
        while (rest_.size() > 1) {
            if (FsError e = step()) {
                return e;
            }
        }
        return {};
    }

    // The last name: a trusted link there is followed, until a name that is no link is reached.
    FsError resolveLastName()
    {
        for (;;) {
            if (FsError e = toLastName()) {
                return e;
            }
            if (rest_.empty()) {
                return FsError{FsError::System, shown_, systemText(EISDIR)};
            }
            struct stat st {};
            if (::fstatat(fd(at_), rest_.front().constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISLNK(st.st_mode)) {
                return {};  // missing, or no link: the name is found
            }
            const QByteArray name = rest_.front();
            rest_.pop_front();
            if (FsError e = follow(name, st)) {
                return e;
            }
        }
    }

    FsHandle &folder() { return at_; }
    const QString &shown() const { return shown_; }
    QByteArray lastName() const { return rest_.empty() ? QByteArray() : rest_.front(); }
    std::deque<QByteArray> &rest() { return rest_; }

    // The folder reached so far, checked as a folder above one of the program's own.
    FsError checkHere() const
    {
        if (!strict_) {
            return {};
        }
        struct stat st {};
        if (::fstat(fd(at_), &st) != 0) {
            return systemError(shown_, errno);
        }
        if (const std::optional<QString> why =
                unsafeAbove(st, shown_.isEmpty() ? QStringLiteral(".") : shown_)) {
            return FsError{FsError::NotYoursAlone, shown_, *why};
        }
        return {};
    }

    // One folder further, through a trusted link when the name is one.
    FsError step()
    {
        const QByteArray name = rest_.front();
        rest_.pop_front();
        const int next = openFolderAt(fd(at_), name.constData());
        if (next >= 0) {
            at_ = FsHandle(next);
            shown_ = joined(shown_, name);
            return checkHere();
        }
        const int error = errno;
        struct stat st {};
        if (::fstatat(fd(at_), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode)) {
            return follow(name, st);
        }
        return systemError(joined(shown_, name), error);
    }

private:
    FsError restart(bool fromRoot)
    {
        at_ = FsHandle(::open(fromRoot ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        shown_ = fromRoot ? QStringLiteral("/") : QString();
        if (!at_.isOpen()) {
            return systemError(fromRoot ? shown_ : QStringLiteral("."), errno);
        }
        return checkHere();
    }

    FsError follow(const QByteArray &name, const struct stat &link)
    {
        const QString where = joined(shown_, name);
        if (!trusted(link.st_uid)) {
            return FsError{FsError::OtherUsersLink, where, QString()};
        }
        if (++links_ > kMaxLinks) {
            return systemError(where, ELOOP);
        }
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlinkat(fd(at_), name.constData(), target.data(), target.size());
        if (n < 0) {
            return systemError(where, errno);
        }
        target.truncate(n);
        std::deque<QByteArray> more = partsOf(target);
        rest_.insert(rest_.begin(), more.begin(), more.end());
        return target.startsWith('/') ? restart(true) : FsError{};
    }

    bool strict_;
    FsHandle at_;
    QString shown_;
    std::deque<QByteArray> rest_;
    int links_ = 0;
};

}  // namespace

void FsHandle::reset()
{
    if (native_ != kNone) {
        ::close(int(native_));
        native_ = kNone;
    }
}

FsError fsPlaceOf(const QString &path, FsPlace &place)
{
    Walk walk(false);
    if (FsError e = walk.begin(QFile::encodeName(QDir::fromNativeSeparators(path)))) {
        return e;
    }
    if (FsError e = walk.resolveLastName()) {
        return e;
    }
    place.folder = std::move(walk.folder());
    place.folderPath = walk.shown();
    place.name = QFile::decodeName(walk.lastName());
    return {};
}

// A name below `folder` walked to its last part, links of the user's own followed.
static FsError walkToLastName(Walk &walk, const FsHandle &folder, const QString &name)
{
    FsError e = walk.beginIn(folder, QString(), QFile::encodeName(name));
    return e ? e : walk.resolveLastName();
}

FsError fsPlaceOf(const FsHandle &folder, const QString &name, FsPlace &place)
{
    Walk walk(false);
    if (FsError e = walkToLastName(walk, folder, name)) {
        return e;
    }
    place.folder = std::move(walk.folder());
    place.folderPath = walk.shown();
    place.name = QFile::decodeName(walk.lastName());
    return {};
}

FsError fsOpenOwnFolder(const QString &path, FolderCheck check, bool create, FsHandle &folder)
{
    Walk walk(true);
    if (FsError e = walk.begin(QFile::encodeName(QDir::fromNativeSeparators(path)))) {
        return e;
    }
    for (;;) {
        if (walk.rest().empty()) {
            return FsError{FsError::NotYoursAlone, walk.shown(),
                           QStringLiteral("it is no folder of its own")};
        }
        const QByteArray name = walk.rest().front();
        const bool last = walk.rest().size() == 1;
        if (create && ::mkdirat(fd(walk.folder()), name.constData(), 0700) != 0 &&
            errno != EEXIST) {
            return systemError(joined(walk.shown(), name), errno);
        }
        if (!last) {
            if (FsError e = walk.step()) {
                return e;
            }
            continue;
        }
        const QString shown = joined(walk.shown(), name);
        const auto refuse = [&](const QString &why) {
            return FsError{FsError::NotYoursAlone, shown, why};
        };
        FsHandle opened(openFolderAt(fd(walk.folder()), name.constData()));
        if (!opened.isOpen()) {
            const int error = errno;
            struct stat st {};
            if (::fstatat(fd(walk.folder()), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                return systemError(shown, error);
            }
            return refuse(S_ISLNK(st.st_mode) ? QStringLiteral("it is a link")
                                              : QStringLiteral("it is no folder"));
        }
        struct stat st {};
        if (::fstat(fd(opened), &st) != 0) {
            return systemError(shown, errno);
        }
        if (st.st_uid != ::geteuid()) {
            return refuse(QStringLiteral("it belongs to another user"));
        }
        if (check == FolderCheck::Private && (st.st_mode & 077) != 0) {
            return refuse(QStringLiteral("other users can reach it (its mode is %1)")
                              .arg(octal(st.st_mode & 0777)));
        }
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return refuse(QStringLiteral("other users can write into it (its mode is %1)")
                              .arg(octal(st.st_mode)));
        }
        folder = std::move(opened);
        return {};
    }
}

EntryKind fsEntryKind(const FsHandle &folder, const QString &name)
{
    struct stat st {};
    if (::fstatat(fd(folder), QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryKind::Missing;
    }
    if (S_ISLNK(st.st_mode)) {
        return trusted(st.st_uid) ? EntryKind::OwnLink : EntryKind::OtherUsersLink;
    }
    if (S_ISDIR(st.st_mode)) {
        return EntryKind::Folder;
    }
    return S_ISREG(st.st_mode) ? EntryKind::RegularFile : EntryKind::Special;
}

FsError fsCreateFile(const FsHandle &folder, const QString &name, FsHandle &file)
{
    file = FsHandle(::openat(fd(folder), QFile::encodeName(name).constData(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.isOpen()) {
        const int error = errno;
        return FsError{error == EEXIST ? FsError::Exists : FsError::System, name,
                       systemText(error)};
    }
    return {};
}

FsError fsOpenForReading(const FsHandle &folder, const QString &name, FsHandle &file)
{
    // A link of the user's own leads on; its target is walked from the link's folder.
    Walk walk(false);
    if (FsError e = walkToLastName(walk, folder, name)) {
        return e;
    }
    // Not held up by a pipe that has no writer; a pipe is refused just after.
    file = FsHandle(::openat(fd(walk.folder()), walk.lastName().constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.isOpen() || ::fstat(fd(file), &st) != 0) {
        return systemError(name, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        file.reset();
        return FsError{FsError::System, name, QStringLiteral("not a regular file")};
    }
    return {};
}

FsError fsOpenForAppending(const FsHandle &folder, const QString &name, FsHandle &file)
{
    file = FsHandle(::openat(fd(folder), QFile::encodeName(name).constData(),
                             O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return file.isOpen() ? FsError{} : systemError(name, errno);
}

FsError fsWrite(const FsHandle &file, const char *data, qint64 size)
{
    // A disk that fills in the middle takes part of a write; the rest then fails with the reason.
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd(file), data + done, std::size_t(size - done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return systemError(QString(), errno);
        }
        done += n;
    }
    return {};
}

qint64 fsRead(const FsHandle &file, char *data, qint64 size, FsError &error)
{
    for (;;) {
        const ssize_t n = ::read(fd(file), data, std::size_t(size));
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR) {
            error = systemError(QString(), errno);
            return -1;
        }
    }
}

FsError fsSync(const FsHandle &file)
{
    return ::fsync(fd(file)) == 0 ? FsError{} : systemError(QString(), errno);
}

int fsModeAt(const FsHandle &folder, const QString &name)
{
    struct stat st {};
    if (::fstatat(fd(folder), QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
        return -1;
    }
    return int(st.st_mode & 0777);
}

FsError fsSetMode(const FsHandle &file, int mode)
{
    return ::fchmod(fd(file), mode_t(mode)) == 0 ? FsError{} : systemError(QString(), errno);
}

FsError fsRename(const FsHandle &folder, const QString &from, const QString &to)
{
    if (::renameat(fd(folder), QFile::encodeName(from).constData(), fd(folder),
                   QFile::encodeName(to).constData()) != 0) {
        return systemError(to, errno);
    }
    return {};
}

FsError fsRenameHeld(const FsHandle &folder, FsHandle &file, const QString &from, const QString &to)
{
    // POSIX has no call that renames an open file: its name is renamed, in the folder held open.
    file.reset();
    return fsRename(folder, from, to);
}

FsError fsRemove(const FsHandle &folder, const QString &name)
{
    if (::unlinkat(fd(folder), QFile::encodeName(name).constData(), 0) != 0) {
        return systemError(name, errno);
    }
    return {};
}

qint64 fsFreeBytes(const FsHandle &folder)
{
    struct statvfs vfs {};
    if (::fstatvfs(fd(folder), &vfs) != 0) {
        return -1;
    }
    // The blocks kept back for the system are the user's too when the user is root.
    const fsblkcnt_t blocks = ::geteuid() == 0 ? vfs.f_bfree : vfs.f_bavail;
    return qint64(blocks) * qint64(vfs.f_frsize);
}

void fsForEachFile(const FsHandle &folder,
                   const std::function<void(const QString &name, const QDateTime &changed)> &fn)
{
    const int listing = ::openat(fd(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) {
        return;
    }
    DIR *dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            fn(QFile::decodeName(entry->d_name),
               QDateTime::fromSecsSinceEpoch(qint64(st.st_mtime)));
        }
    }
    ::closedir(dir);
}

QString fsNameOfOpenFile(const FsHandle &file)
{
    // The system's name for an open file leads to the file itself, not to a path looked up again.
    for (const char *folder : {"/proc/self/fd/", "/dev/fd/"}) {
        const QString name = QString::fromLatin1(folder) + QString::number(fd(file));
        struct stat byName {};
        struct stat open {};
        if (::stat(QFile::encodeName(name).constData(), &byName) == 0 &&
            ::fstat(fd(file), &open) == 0 && byName.st_dev == open.st_dev &&
            byName.st_ino == open.st_ino) {
            return name;
        }
    }
    return QString();
}

FsLibraryFile fsRememberLibraryFile(std::FILE *file)
{
    FsLibraryFile remembered;
    struct stat st {};
    if (file != nullptr && ::fstat(::fileno(file), &st) == 0) {
        remembered = {::fileno(file), std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    }
    return remembered;
}

void fsCloseIfLeftOpen(const FsLibraryFile &file)
{
    struct stat now {};
    if (file.descriptor >= 0 && ::fstat(file.descriptor, &now) == 0 &&
        std::uint64_t(now.st_dev) == file.device && std::uint64_t(now.st_ino) == file.inode &&
        now.st_nlink == 0) {
        ::close(file.descriptor);
    }
}

QString fsUserFolder(const char *variable, const QString &belowHome)
{
    const QString set = qEnvironmentVariable(variable);
    if (set.startsWith(QLatin1Char('/'))) {
        return set;
    }
    return QDir::homePath() + QLatin1Char('/') + belowHome;
}
