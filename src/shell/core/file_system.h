#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <functional>

// What the file layer asks of the operating system, with one implementation for each kind of
// system (posix/, windows/). Every file is reached from a folder opened once and named
// relative to it, so a name that another user changes after it was looked at leads nowhere new.

// A folder or file held open; let go when it goes.
class FsHandle {
public:
    FsHandle() = default;
    explicit FsHandle(std::intptr_t native) : native_(native) {}
    ~FsHandle() { reset(); }
    FsHandle(FsHandle &&other) noexcept : native_(other.release()) {}
    FsHandle &operator=(FsHandle &&other) noexcept
    {
        if (this != &other) {
            reset();
            native_ = other.release();
        }
        return *this;
    }
    FsHandle(const FsHandle &) = delete;
    FsHandle &operator=(const FsHandle &) = delete;

    bool isOpen() const { return native_ != kNone; }
    std::intptr_t native() const { return native_; }
    std::intptr_t release()
    {
        const std::intptr_t native = native_;
        native_ = kNone;
        return native;
    }
    // Closes it the platform's way.
    void reset();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t native_ = kNone;
};

// Why the system, or the file layer, said no. `at` is the path it is about.
struct FsError {
    enum Kind {
        None,
        OtherUsersLink,  // a link that another user made: nothing is done through it
        NotYoursAlone,   // a folder that someone else may change: `reason` says how
        Exists,          // a new file's name is taken
        Missing,         // no such file or folder
        System,          // `reason` is the system's own text
    };
    Kind kind = None;
    QString at;
    QString reason;
    explicit operator bool() const { return kind != None; }
};

// A file's place: its folder, held open, and its name there.
struct FsPlace {
    FsHandle folder;
    QString folderPath;  // for messages
    QString name;
};

// Finds the folder of the file at `path` and opens it, following links on the way and at the
// file's own name when the user (or the system) made them; a link another user made is refused.
// Where no file has that name yet, the place is where one would be made.
FsError fsPlaceOf(const QString &path, FsPlace &place);
// The same for a name in an open folder, its links followed as above.
FsError fsPlaceOf(const FsHandle &folder, const QString &name, FsPlace &place);

// How closely a folder of the program's own is checked: each folder above it is the user's or
// the system's and writable by no one else (or the system's and sticky, as /tmp is). The folder
// itself is the user's real folder (no link), writable by no one else, and for `Private` also
// readable by no one else. Missing folders are made, readable by the user alone, when `create`.
enum class FolderCheck { Own, Private };
FsError fsOpenOwnFolder(const QString &path, FolderCheck check, bool create, FsHandle &folder);

enum class EntryKind { Missing, RegularFile, Folder, Special, OwnLink, OtherUsersLink };
// What the name is in the folder, without following a link.
EntryKind fsEntryKind(const FsHandle &folder, const QString &name);

// A new file, made exclusively under that name (never through anything there before), with the
// mode the umask leaves of read and write for all.
FsError fsCreateFile(const FsHandle &folder, const QString &name, FsHandle &file);
// Opens a regular file for reading; a link is followed only when it is the user's own.
FsError fsOpenForReading(const FsHandle &folder, const QString &name, FsHandle &file);
// Opens an existing file for appending, without following a link; to learn why it cannot be
// written.
FsError fsOpenForAppending(const FsHandle &folder, const QString &name, FsHandle &file);

FsError fsWrite(const FsHandle &file, const char *data, qint64 size);
// Up to `size` bytes; 0 at the end; -1 with `error` set on failure.
qint64 fsRead(const FsHandle &file, char *data, qint64 size, FsError &error);
FsError fsSync(const FsHandle &file);
// The mode bits (read, write, run for user, group, others) of the regular file of that name
// (no link), or -1.
int fsModeAt(const FsHandle &folder, const QString &name);
FsError fsSetMode(const FsHandle &file, int mode);
// Gives `to` the file `from`, in one step, within one folder; a link at `to` is replaced, not
// followed.
FsError fsRename(const FsHandle &folder, const QString &from, const QString &to);
// Lets go of `file`, made new as `from` in the folder, and gives `to` that file in one step, as
// fsRename does. Where the system can rename an open file, the file itself is renamed, so that
// nothing put at `from` meanwhile can take its place.
FsError fsRenameHeld(const FsHandle &folder, FsHandle &file, const QString &from,
                     const QString &to);
FsError fsRemove(const FsHandle &folder, const QString &name);
// Bytes the user may still write on the folder's file system, or -1 when unknown.
qint64 fsFreeBytes(const FsHandle &folder);
// The regular files of the folder with their last change, links and folders left out.
void fsForEachFile(const FsHandle &folder,
                   const std::function<void(const QString &name, const QDateTime &changed)> &fn);
// A name by which a library that opens files itself reaches exactly this open file, and no
// other; empty where the system has none.
QString fsNameOfOpenFile(const FsHandle &file);

// A file that a library opened and removed from its folder, known again by what it is and not
// by its descriptor's number alone, so that it can be closed should the library leave it open.
struct FsLibraryFile {
    int descriptor = -1;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};
FsLibraryFile fsRememberLibraryFile(std::FILE *file);
// Closes it when it is still open, still that file, and in no folder.
void fsCloseIfLeftOpen(const FsLibraryFile &file);

// The user's folder of a kind ("XDG_CACHE_HOME", ".cache"): the variable when it holds an
// absolute path, else the fallback below the home folder. A relative value is ignored.
QString fsUserFolder(const char *variable, const QString &belowHome);

// Run between the check of a save's name and the making of its file, where another user would
// have to act to lead the save elsewhere; tests put that other user there.
void fsSetRaceHook(std::function<void()> hook);
void fsRunRaceHook();
