#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

class FsHandle;

// Where the per-user settings store lies on each platform, and how its values get in and out
// there. One file per platform implements these (posix/, windows/), chosen by the build.

// Settles where the store lies before anything looks for it.
void settleSettingsPlace();

// Whether the store is one file that is written whole. The Windows registry is not: it takes one
// value at a time.
bool storeIsOneFile();

// Where the store keeps its values, for messages. Found without opening the store.
QString settingsLocation();

// The program's section of the store as read: its keys with their values, of whatever kind the
// store holds, and whether the store could be read as a whole.
struct StoredSection {
    QList<std::pair<QString, QVariant>> values;
    bool wellFormed = true;
};

// Reads the program's section. Where the store is one file, `fileBytes` are that file as read
// through its folder; nothing else is read.
StoredSection readStoredSection(const QByteArray &fileBytes);

// Sets these values in the program's section, keeping every other value of the store, and
// returns once the store holds them. Where the store is one file, `folder` is its folder, opened
// and checked; the file is then replaced whole, while no other program writing the store may
// (waiting a few seconds for one that does), and left as it was when that fails. Returns why the
// store did not take them: a reason to follow "cannot be written: ", or the empty text when no
// reason is known.
std::optional<QString> writeStoredSection(const FsHandle &folder,
                                          const QList<std::pair<QString, QString>> &values);
