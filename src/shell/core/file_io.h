#pragma once

#include "shell/core/file_system.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The program's one way of reading and writing whole files.

// What a path names, as far as reading it goes: a regular file can be read to its end, while a
// folder cannot be read at all and a device or pipe may never end or may block the reader.
enum class PathKind { Missing, RegularFile, Folder, Special };
PathKind pathKindOf(const QString &path);

// The bytes of a regular file, or nullopt when it holds more than `limit` bytes. Throws Failure
// "Cannot read <path> (<reason>)" when the file cannot be read.
std::optional<QByteArray> readWholeFile(const QString &path, qint64 limit);

// A file replaced whole. Its folder is opened once, following links on the way and at the name
// only when the user (or the system) made them: a link another user made is refused, and nothing
// is written through it. What is written goes to a temporary file made anew in that folder, which
// takes the target's place only at commit(), in one step within the folder, so until then the
// old file stays as it was, and a link put at the name meanwhile is replaced, not followed. A
// write that is given up (by a failure, or by the program ending in the middle of it, both of
// which destroy the AtomicFile) leaves no temporary file behind. A new file keeps to the umask; a
// replaced one keeps its mode. Every failure throws Failure "Cannot write the file <path>:
// <reason>".
class AtomicFile {
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    void open();
    // Refuses, before anything is written, a file that cannot fit in the room left on its disk.
    void requireRoom(qint64 bytes);
    void write(QByteArrayView bytes);
    void commit();

private:
    [[noreturn]] void fail(const QString &reason) const;

    QString path_;
    FsPlace place_;
    QString temp_;
    FsHandle file_;
};

// Opens a folder that the program keeps its own files in, making it (readable by the user alone)
// when it is not there. It must be the user's own real folder (no link) that no other user can
// change, nor any folder above it; a Private one also one that no other user can read. Throws
// Failure "The folder <path> is not yours alone: <why>. Nothing is written into it." or "The
// folder <path> could not be made: <reason>."
FsHandle openOwnFolder(const QString &path, FolderCheck check);
// The same, as a message rather than a Failure, and without making anything when `create` is
// false (then a missing folder gives nullopt and no handle).
std::optional<QString> openOwnFolder(const QString &path, FolderCheck check, bool create,
                                     FsHandle &folder);

// The bytes of a file of the program's own in its folder, or nullopt when it is missing, holds
// more than `limit` bytes, or cannot be read. A link another user made is not followed.
std::optional<QByteArray> readOwnFile(const FsHandle &folder, const QString &name, qint64 limit);

// A new file in the folder under a name of its own beside `name` (`made`), made exclusively.
FsError createFileBeside(const FsHandle &folder, const QString &name, FsHandle &file,
                         QString &made);

// Replaces a small file in the folder whole without waiting for the disk to take it: a program
// killed at any moment leaves the old text or the new one, never a mixture (a power cut may lose
// the latest). For a value written at every keystroke, where AtomicFile's wait for the disk would
// be felt. Returns false when the file could not be written.
bool replaceSmallFile(const FsHandle &folder, const QString &name, const QByteArray &bytes);

// The text after the last separator of a path ("\" or "/"); the whole text when it holds none,
// the empty text when it ends with one.
QString FileNameFromPath(const QString &path);
