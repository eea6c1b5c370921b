#pragma once

#include "mainwindow/core/settings_place.h"

#include <QString>
#include <optional>

class FsHandle;

// The program's keys in the per-user settings store ("Quillane", under the product name).
inline const QString kPrefixesKey = QStringLiteral("Prefixes");
inline const QString kNumberOfPhonesKey = QStringLiteral("Number Of Phones");

// A damaged store file kept beside the store, and whether any of its values could be restored.
struct SetAsideStore {
    QString path;
    bool restoredSome = false;
};

// The per-user settings store. The count box is stored at every keystroke, while the store's
// file may also hold a long prefix list that would have to be written again with it; so the
// count goes at once to a small file of its own beside the store (the pending count), and
// reaches the store itself with the prefix list at the close, or at the first close after a
// start that found it there.
class SettingsStore {
public:
    // A relative XDG_CONFIG_HOME is no place: the store then lies below the home folder.
    SettingsStore();

    // Why the store's folder is no place for the settings, if it is not: it, or a folder above
    // it, is another user's or open to other users' changes (or their link leads there). Nothing
    // is then read from it or written into it.
    std::optional<QString> folderRefusal() const;

    // A store file that cannot be read as one (bytes that are no settings, a key holding another
    // kind of value) is kept under a new name beside it and replaced by a file holding whatever
    // could be read from it. Tells where the copy went when that happened. A file of any size
    // that the program wrote is read whole and kept as it is.
    std::optional<SetAsideStore> setAsideIfDamaged();

    // The stored text of a key, or defaultText when it has none. A pending count is newer than
    // the store's.
    QString read(const QString &key, const QString &defaultText) const;

    // Stores the count box's text. Cheap whatever the store holds, and silent: a keystroke should
    // never bring up a box. Should even the small file fail, the count still reaches the store at
    // the close.
    void writeCount(const QString &text);

    // Writes the prefix list, with the count if one is pending, and waits until the store has it.
    // Returns why the store did not take them, or nothing when it did.
    std::optional<QString> writeAtClose(const QString &prefixes);

    // Where the store keeps its values, for messages.
    QString location() const;

private:
    // Opens the store's folder, checked (and made when `create`), or says why not. Without a
    // refusal the handle may still be closed: the folder is not there.
    std::optional<QString> openFolder(bool create, FsHandle &folder) const;
    QString fileName() const;
    // False when something other than a plain file (or a link of the user's own to one) is where
    // the store's file should be.
    bool canBeOpened(const FsHandle &folder) const;
    QString pendingCountName() const;
    std::optional<QString> pendingCount() const;
    // The program's section as stored, read once and kept until the store is written.
    const StoredSection &section() const;

    std::optional<QString> pendingCount_;
    mutable std::optional<StoredSection> section_;
};
