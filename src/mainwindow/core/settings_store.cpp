#include "mainwindow/core/settings_store.h"

#include "mainwindow/core/settings_format.h"
#include "mainwindow/core/settings_place.h"

#include "shell/core/app_title.h"
#include "shell/core/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
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
std::optional<QString> whyNotWritable(const QString &path, qint64 bytes)
{
    if (QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return file.errorString();
        }
    }
    // The file is replaced whole through a new file beside it, so its folder must take one.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return probe.errorString();
    }
    const QByteArray block(64 * 1024, ' ');
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        if (probe.write(block.constData(), std::min<qint64>(left, block.size())) < 0) {
            const QString reason = probe.errorString();
            probe.cancelWriting();
            return reason;
        }
    }
    probe.cancelWriting();
    return std::nullopt;
}

// How long the close waits for the store's lock, which another program may hold while it writes.
constexpr int kLockWaitMs = 3000;

// A name beside the damaged file that no earlier copy holds, nor a link.
QString asideName(const QString &file)
{
    QString aside = file + QStringLiteral(".damaged");
    for (int n = 2; nameTaken(aside); ++n) {
        aside = file + QStringLiteral(".damaged-") + QString::number(n);
    }
    return aside;
}

}  // namespace

QString SettingsStore::location() const
{
    return settingsLocation();
}

bool SettingsStore::canBeOpened() const
{
    return !storeIsOneFile() || pathKindOf(location()) != PathKind::Special;
}

QString SettingsStore::pendingCountFile() const
{
    return location() + QStringLiteral(".count");
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
    if (!QFileInfo::exists(pendingCountFile())) {
        return std::nullopt;
    }
    try {
        if (const auto bytes = readWholeFile(pendingCountFile(), 1024 * 1024)) {
            return QString::fromUtf8(*bytes);
        }
    } catch (const std::exception &) {
        // None, or unreadable: the store's own count stands.
    }
    return std::nullopt;
}

std::optional<SetAsideStore> SettingsStore::setAsideIfDamaged()
{
    const QString file = location();
    const PathKind kind = pathKindOf(file);
    if (!storeIsOneFile() || kind == PathKind::Missing) {
        return std::nullopt;
    }
    // A pipe, a device or a folder where the file should be holds no settings, and the store
    // would wait on it or fail on it for as long as it stays.
    if (kind != PathKind::RegularFile) {
        const QString aside = asideName(file);
        if (!QFile::rename(file, aside)) {
            return std::nullopt;  // left as it is; reads skip it and the close reports it
        }
        return SetAsideStore{aside, false};
    }
    // No limit on the size: the prefix list has none, and what the close wrote must come back.
    std::optional<QByteArray> bytes;
    try {
        bytes = readWholeFile(file, std::numeric_limits<qint64>::max());
    } catch (const std::exception &) {
        return std::nullopt;  // unreadable: the close reports a store it cannot write
    }
    if (!bytes) {
        return std::nullopt;
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
    const QString aside = asideName(file);
    if (!QFile::rename(file, aside)) {
        return std::nullopt;  // left as it is; the close reports a store it cannot write
    }
    ProgramSettings fresh;
    for (const auto &[key, value] : readable) {
        fresh.setValue(key, value);
    }
    fresh.sync();
    return SetAsideStore{aside, !readable.isEmpty()};
}

QString SettingsStore::read(const QString &key, const QString &defaultText) const
{
    if (key == kNumberOfPhonesKey) {
        if (const std::optional<QString> pending = pendingCount()) {
            return *pending;
        }
    }
    if (!canBeOpened()) {
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
    const QString pending = pendingCountFile();
    QDir().mkpath(QFileInfo(pending).absolutePath());
    (void)replaceSmallFile(pending, text.toUtf8());
}

std::optional<QString> SettingsStore::writeAtClose(const QString &prefixes)
{
    const QString file = location();
    const QString shown = QDir::toNativeSeparators(file);
    if (!canBeOpened()) {
        return QStringLiteral("The settings file %1 cannot be written: it is no plain file.")
            .arg(shown);
    }
    if (const std::optional<QString> link = linkOfAnotherUser(file)) {
        return QStringLiteral(
                   "The settings file %1 cannot be written: %2 is a link that another "
                   "user made.")
            .arg(shown, QDir::toNativeSeparators(*link));
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
        const std::optional<QString> reason = whyNotWritable(file, prefixes.toUtf8().size() + 4096);
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
        QFile::remove(pendingCountFile());
    }
    pendingCount_.reset();
    return std::nullopt;
}
