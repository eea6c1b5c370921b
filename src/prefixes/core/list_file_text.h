#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>

class LineBytes;
struct ListSnapshot;

// The text form of list files: one entry per line, read from UTF-8 or Windows-1252 bytes,
// written as UTF-8 with CR LF after every entry.

// Files larger than this are refused before they are read. A full number and its CR LF take 14
// bytes, so a list of a million of them (14 MB) fits with room to spare, while a file of nothing
// but line ends stays at about 17 million empty entries, well within memory.
constexpr qint64 kMaxListFileBytes = 16 * 1024 * 1024;

// UTF-8 when the bytes are valid UTF-8 (a leading byte-order mark is dropped), Windows-1252
// otherwise, so lists saved by older programs in the Windows code page keep every character.
QString decodeListFileText(const QByteArray &bytes);

// Windows-1252 as Windows reads it: the five bytes the code page leaves unassigned become the
// control characters of the same value.
QString fromWindows1252(const QByteArray &bytes);

// Calls add once per entry, in file order. Lines end at CR LF, at a lone CR and at LF; empty
// lines give empty entries. A line end at the very end of the text ends the last line and adds
// nothing after it, whichever of the three it is.
void forEachListEntry(QStringView text, const std::function<void(QStringView)> &add);

// Reads the list file at path, calling add once per entry in file order. Returns the message that
// tells the user why a file gave no entries (it is missing, a folder or a device, or too large),
// or nothing when it was read. Throws Failure when it cannot be read.
std::optional<QString> readListFile(const QString &path,
                                    const std::function<void(QStringView)> &add);

// The path of one of several files chosen in one folder: the folder, a separator and the name,
// with doubled separators made single so that a folder ending in one (a drive's root) does not
// give two. A folder's leading pair is kept, since it starts a network path.
QString joinChosenPath(const QString &folder, const QString &name);

// The line of entry `position` in a list file: its text in UTF-8 and CR LF.
void appendListFileLine(LineBytes &out, const ListSnapshot &list, int position);
