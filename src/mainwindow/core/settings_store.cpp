#include "mainwindow/core/settings_store.h"

#include "mainwindow/core/settings_format.h"
#include "mainwindow/core/settings_place.h"

#include "shell/core/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

namespace {

// A name beside the damaged file that no earlier copy holds, nor a link.
QString asideName(const FsHandle &folder, const QString &file)
{
    QString aside = file + QStringLiteral(".damaged");
    for (int n = 2; fsEntryKind(folder, aside) != EntryKind::Missing; ++n) {
        aside = file + QStringLiteral(".damaged-") + QString::number(n);
    }
    return aside;
}

QString folderOf(const QString &file)
{
    return QFileInfo(file).path();
}

const QVariant *valueIn(const StoredSection &section, const QString &key)
{
    for (const auto &[name, value] : section.values) {
        if (name == key) {
            return &value;
        }
    }
    return nullptr;
}

}  // namespace

QString SettingsStore::location() const
{
    return settingsLocation();
}

SettingsStore::SettingsStore()
{
    settleSettingsPlace();
}

QString SettingsStore::fileName() const
{
    return QFileInfo(location()).fileName();
}

std::optional<QString> SettingsStore::openFolder(bool create, FsHandle &folder) const
{
    return openOwnFolder(folderOf(location()), FolderCheck::Own, create, folder);
}

std::optional<QString> SettingsStore::folderRefusal() const
{
    if (!storeIsOneFile()) {
        return std::nullopt;
    }
    FsHandle folder;
    return openFolder(false, folder);
}

bool SettingsStore::canBeOpened(const FsHandle &folder) const
{
    if (!storeIsOneFile()) {
        return true;
    }
    if (!folder.isOpen()) {
        return false;
    }
    switch (fsEntryKind(folder, fileName())) {
        case EntryKind::Special:
        case EntryKind::OtherUsersLink:
            return false;
        default:
            return true;
    }
}

QString SettingsStore::pendingCountName() const
{
    return fileName() + QStringLiteral(".count");
}

std::optional<QString> SettingsStore::pendingCount() const
{
    if (pendingCount_) {
        return pendingCount_;
    }
    if (!storeIsOneFile()) {
        return std::nullopt;
    }
    // Left by a run that ended before its close: the last count typed.
    FsHandle folder;
    if (openFolder(false, folder) || !folder.isOpen()) {
        return std::nullopt;
    }
    if (const auto bytes = readOwnFile(folder, pendingCountName(), 1024 * 1024)) {
        return QString::fromUtf8(*bytes);
    }
    return std::nullopt;  // none, or unreadable: the store's own count stands
}

std::optional<SetAsideStore> SettingsStore::setAsideIfDamaged()
{
    if (!storeIsOneFile()) {
        return std::nullopt;
    }
    FsHandle folder;
    if (openFolder(false, folder) || !folder.isOpen()) {
        return std::nullopt;  // told by the start-up, or nothing stored yet
    }
    const QString file = fileName();
    const EntryKind kind = fsEntryKind(folder, file);
    if (kind == EntryKind::Missing || kind == EntryKind::OtherUsersLink) {
        return std::nullopt;  // another user's link is never read; the close reports it
    }
    // A pipe, a device or a folder where the file should be holds no settings, and the store
    // would wait on it or fail on it for as long as it stays.
    if (kind == EntryKind::Folder || kind == EntryKind::Special) {
        const QString aside = asideName(folder, file);
        if (fsRename(folder, file, aside)) {
            return std::nullopt;  // left as it is; reads skip it and the close reports it
        }
        return SetAsideStore{folderOf(location()) + QLatin1Char('/') + aside, false};
    }
    // No limit on the size: the prefix list has none, and what the close wrote must come back.
    const std::optional<QByteArray> bytes =
        readOwnFile(folder, file, std::numeric_limits<qint64>::max());
    if (!bytes) {
        return std::nullopt;  // unreadable: the close reports a store it cannot write
    }
    const StoredSection section = readStoredSection(*bytes);
    bool damaged = !section.wellFormed || !looksLikeSettingsText(*bytes);
    QList<std::pair<QString, QString>> readable;
    for (const QString &key : {kPrefixesKey, kNumberOfPhonesKey}) {
        const QVariant *value = valueIn(section, key);
        if (value == nullptr) {
            continue;
        }
        if (value->typeId() == QMetaType::QString) {
            readable.append({key, value->toString()});
        } else {
            damaged = true;  // a list, a number or bytes where we write text
        }
    }
    if (!damaged) {
        section_ = section;
        return std::nullopt;
    }
    const QString aside = asideName(folder, file);
    if (fsRename(folder, file, aside)) {
        return std::nullopt;  // left as it is; the close reports a store it cannot write
    }
    section_.reset();
    if (!readable.isEmpty()) {
        (void)writeStoredSection(folder, readable);
    }
    return SetAsideStore{folderOf(location()) + QLatin1Char('/') + aside, !readable.isEmpty()};
}

const StoredSection &SettingsStore::section() const
{
    if (section_) {
        return *section_;
    }
    section_.emplace();
    if (!storeIsOneFile()) {
        *section_ = readStoredSection(QByteArray());
        return *section_;
    }
    FsHandle folder;
    if (openFolder(false, folder) || !canBeOpened(folder)) {
        return *section_;  // refused, or nothing stored yet: the defaults
    }
    // No limit on the size: the prefix list has none, and what the close wrote must come back.
    if (const std::optional<QByteArray> bytes =
            readOwnFile(folder, fileName(), std::numeric_limits<qint64>::max())) {
        *section_ = readStoredSection(*bytes);
    }
    return *section_;
}

QString SettingsStore::read(const QString &key, const QString &defaultText) const
{
    if (key == kNumberOfPhonesKey) {
        if (const std::optional<QString> pending = pendingCount()) {
            return *pending;
        }
    }
    const QVariant *value = valueIn(section(), key);
    return value != nullptr ? value->toString() : defaultText;
}

void SettingsStore::writeCount(const QString &text)
{
    pendingCount_ = text;
    if (!storeIsOneFile()) {
        (void)writeStoredSection(FsHandle(), {{kNumberOfPhonesKey, text}});
        return;
    }
    FsHandle folder;
    if (!openFolder(true, folder)) {
        (void)replaceSmallFile(folder, pendingCountName(), text.toUtf8());
    }
}

std::optional<QString> SettingsStore::writeAtClose(const QString &prefixes)
{
    const QString file = location();
    const QString shown = QDir::toNativeSeparators(file);
    FsHandle folder;
    if (storeIsOneFile()) {
        if (const std::optional<QString> refused = openFolder(true, folder)) {
            return refused;
        }
        const EntryKind kind = fsEntryKind(folder, fileName());
        if (kind == EntryKind::OtherUsersLink) {
            return QStringLiteral(
                       "The settings file %1 cannot be written: %1 is a link that another user "
                       "made.")
                .arg(shown);
        }
        if (kind == EntryKind::Special) {
            return QStringLiteral("The settings file %1 cannot be written: it is no plain file.")
                .arg(shown);
        }
    }
    QList<std::pair<QString, QString>> values;
    const std::optional<QString> count = pendingCount();
    if (count) {
        values.append({kNumberOfPhonesKey, *count});
    }
    values.append({kPrefixesKey, prefixes});
    section_.reset();
    if (const std::optional<QString> reason = writeStoredSection(folder, values)) {
        return reason->isEmpty()
                   ? QStringLiteral("The settings file %1 could not be written.").arg(shown)
                   : QStringLiteral("The settings file %1 cannot be written: %2.")
                         .arg(shown, *reason);
    }
    if (count && storeIsOneFile()) {
        (void)fsRemove(folder, pendingCountName());
    }
    pendingCount_.reset();
    return std::nullopt;
}
