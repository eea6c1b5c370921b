#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>
#include <optional>

// The program's one way of reading and writing whole files.

// What a path names, as far as reading it goes: a regular file can be read to its end, while a
// folder cannot be read at all and a device or pipe may never end or may block the reader.
enum class PathKind { Missing, RegularFile, Folder, Special };
PathKind pathKindOf(const QString &path);

// A file written whole replaces what a link in its place points to. Another user who can write the
// folder (a shared one, such as /tmp) could make such a link to a file of ours, so only the user's
// own links are followed: this is the first link on the way to the file that is not the user's.
std::optional<QString> linkOfAnotherUser(const QString &path);

// Whether something has that name: a file, a folder, or a link, even one that leads nowhere.
bool nameTaken(const QString &path);

// The bytes of a regular file, or nullopt when it holds more than `limit` bytes. Throws Failure
// "Cannot read <path> (<reason>)" when the file cannot be read.
std::optional<QByteArray> readWholeFile(const QString &path, qint64 limit);

// A file replaced whole. What is written goes to a temporary file beside the target, made anew,
// which takes the target's place only at commit(), so until then the old file stays as it was. A
// write that is given up (by a failure, or by the program ending in the middle of it, both of
// which destroy the AtomicFile) leaves no temporary file behind. A link at the target is followed
// only when it is the user's own. Every failure throws Failure "Cannot write the file <path>:
// <reason>".
class AtomicFile {
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    void open();
    void write(QByteArrayView bytes);
    void commit();

private:
    [[noreturn]] void fail() const;

    QString path_;
    QSaveFile file_;
};

// Makes the folder, readable by the user alone, unless it is there; then checks that it is the
// user's own real folder (no link) that no other user can reach. Throws Failure saying why not.
// For the files the program keeps where the user did not choose, which nobody else may read,
// replace or lead elsewhere by a link.
void makePrivateFolder(const QString &path);

// Replaces a small file whole without waiting for the disk to take it: a program killed at any
// moment leaves the old text or the new one, never a mixture (a power cut may lose the latest).
// For a value written at every keystroke, where AtomicFile's wait for the disk would be felt.
// Returns false when the file could not be written.
bool replaceSmallFile(const QString &path, const QByteArray &bytes);

// The text after the last separator of a path ("\" or "/"); the whole text when it holds none,
// the empty text when it ends with one.
QString FileNameFromPath(const QString &path);
