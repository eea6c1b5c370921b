#include "mainwindow/core/settings_store.h"

#include "mainwindow/core/settings_format.h"
#include "mainwindow/core/settings_place.h"

#include "shell/core/app_title.h"
#include "shell/core/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <limits>

namespace {

// Addressed by name rather than through the application's names, so the store is the same
// whoever runs this code (the program, its tests, its benchmarks).
class ProgramSettings : public QSettings {
public:
    ProgramSettings() : ProgramSettings(settingsPlace()) {}

private:
    explicit ProgramSettings(const SettingsPlace &place)
        : QSettings(place.format, QSettings::UserScope, place.organization, place.application)
    {
        beginGroup(kProductName);
    }
};

// QSettings tells only that the file could not be written; ask the file system why, by writing
// as much as the store would have. Nothing when the file can be written after all.
std::optional<QString> whyNotWritable(const FsHandle &folder, const QString &name, qint64 bytes)
{
    FsHandle file;
    if (fsEntryKind(folder, name) != EntryKind::Missing) {
        if (const FsError e = fsOpenForAppending(folder, name, file)) {
            return e.reason;
        }
        file.reset();
    }
    // The file is replaced whole through a new file beside it, so its folder must take one.
    QString probe;
    if (const FsError e = createFileBeside(folder, name, file, probe)) {
        return e.reason;
    }
    const QByteArray block(64 * 1024, ' ');
    std::optional<QString> reason;
    for (qint64 left = bytes; left > 0 && !reason; left -= block.size()) {
        if (const FsError e =
                fsWrite(file, block.constData(), std::min<qint64>(left, block.size()))) {
            reason = e.reason;
        }
    }
    file.reset();
    (void)fsRemove(folder, probe);
    return reason;
}

// How long the close waits for the store's lock, which another program may hold while it writes.
constexpr int kLockWaitMs = 3000;

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

}  // namespace

QString SettingsStore::location() const
{
    return settingsLocation();
}

SettingsStore::SettingsStore()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // QSettings takes a relative XDG_CONFIG_HOME as it stands, below the working folder.
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!set.isEmpty() && QDir::isRelativePath(set)) {
        const QString home = fsUserFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
    }
#endif
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
    ProgramSettings settings;
    bool damaged = settings.status() != QSettings::NoError || !looksLikeSettingsText(*bytes);
    QList<std::pair<QString, QString>> readable;
    for (const QString &key : {kPrefixesKey, kNumberOfPhonesKey}) {
        if (!settings.contains(key)) {
            continue;
        }
        const QVariant value = settings.value(key);
        if (value.typeId() == QMetaType::QString) {
            readable.append({key, value.toString()});
        } else {
            damaged = true;  // a list, a number or bytes where we write text
        }
    }
    if (!damaged) {
        return std::nullopt;
    }
    const QString aside = asideName(folder, file);
    if (fsRename(folder, file, aside)) {
        return std::nullopt;  // left as it is; the close reports a store it cannot write
    }
    ProgramSettings fresh;
    for (const auto &[key, value] : readable) {
        fresh.setValue(key, value);
    }
    fresh.sync();
    return SetAsideStore{folderOf(location()) + QLatin1Char('/') + aside, !readable.isEmpty()};
}

QString SettingsStore::read(const QString &key, const QString &defaultText) const
{
    if (key == kNumberOfPhonesKey) {
        if (const std::optional<QString> pending = pendingCount()) {
            return *pending;
        }
    }
    FsHandle folder;
    if (storeIsOneFile() && (openFolder(false, folder) || !canBeOpened(folder))) {
        return defaultText;
    }
    return ProgramSettings().value(key, defaultText).toString();
}

void SettingsStore::writeCount(const QString &text)
{
    pendingCount_ = text;
    if (!storeIsOneFile()) {
        ProgramSettings().setValue(kNumberOfPhonesKey, text);
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
        // Only in a folder no other user can change does the store go on to write by name.
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
    // The store waits for its lock as long as it takes; a lock that is never given back (a
    // folder in its place, a program that hangs holding it) must not keep the window open.
    if (storeIsOneFile()) {
        QLockFile lock(file + QStringLiteral(".lock"));
        if (!lock.tryLock(kLockWaitMs) && lock.error() == QLockFile::LockFailedError) {
            return QStringLiteral(
                       "The settings file %1 cannot be written: its lock %2 could "
                       "not be taken.")
                .arg(shown, QDir::toNativeSeparators(lock.fileName()));
        }
    }
    ProgramSettings settings;
    const std::optional<QString> count = pendingCount();
    if (count) {
        settings.setValue(kNumberOfPhonesKey, *count);
    }
    settings.setValue(kPrefixesKey, prefixes);
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status != QSettings::NoError) {
        const std::optional<QString> reason =
            storeIsOneFile() ? whyNotWritable(folder, fileName(), prefixes.toUtf8().size() + 4096)
                             : std::nullopt;
        if (reason) {
            return QStringLiteral("The settings file %1 cannot be written: %2.")
                .arg(shown, *reason);
        }
        // A damaged file reports a format error even though it is rewritten whole, and that
        // first error hides any later one: whether the file can be written is what decides.
        if (status != QSettings::FormatError) {
            return QStringLiteral("The settings file %1 could not be written.").arg(shown);
        }
    }
    if (count && storeIsOneFile()) {
        (void)fsRemove(folder, pendingCountName());
    }
    pendingCount_.reset();
    return std::nullopt;
}
