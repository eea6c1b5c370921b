// The settings store on Windows: the registry key that programs of this kind have always kept
// their settings under, HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>,
// with one key per section and the values as strings. A user who kept a prefix list there before
// finds it at the first start. Qt's settings classes read and write it.
#include "mainwindow/core/settings_place.h"

#include "shell/core/app_title.h"
#include "shell/core/file_io.h"
#include "shell/core/file_system.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

namespace {

// How long a close waits for the lock of a store kept in a file, which another program may hold
// while it writes.
constexpr int kLockWaitMs = 3000;

QSettings::Format storeFormat()
{
    // QSettings keeps a user's native settings under HKEY_CURRENT_USER\Software\<organization>.
    // Tests choose a file of their own instead, through the default format.
    return QSettings::defaultFormat();
}

// Addressed by name rather than through the application's names, so the store is the same
// whoever runs this code (the program, its tests, its benchmarks).
class ProgramSettings : public QSettings {
public:
    ProgramSettings()
        : QSettings(storeFormat(), QSettings::UserScope,
                    QStringLiteral("VB and VBA Program Settings"), kMakerName)
    {
        beginGroup(kProductName);
    }
};

// QSettings tells only that a store kept in a file could not be written; ask the file system
// why, by writing as much as the store would have. Nothing when the file can be written after
// all.
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

}  // namespace

void settleSettingsPlace() {}

bool storeIsOneFile()
{
    return storeFormat() != QSettings::NativeFormat;
}

QString settingsLocation()
{
    // A registry key, or the file of a store kept in a file, neither of which opening reads.
    return ProgramSettings().fileName();
}

StoredSection readStoredSection(const QByteArray &)
{
    ProgramSettings settings;
    StoredSection section;
    section.wellFormed = settings.status() == QSettings::NoError;
    for (const QString &key : settings.childKeys()) {
        section.values.append({key, settings.value(key)});
    }
    return section;
}

std::optional<QString> writeStoredSection(const FsHandle &folder,
                                          const QList<std::pair<QString, QString>> &values)
{
    const QString file = settingsLocation();
    // The store waits for its lock as long as it takes; a lock that is never given back (a
    // folder in its place, a program that hangs holding it) must not keep the window open.
    if (storeIsOneFile()) {
        QLockFile lock(file + QStringLiteral(".lock"));
        if (!lock.tryLock(kLockWaitMs) && lock.error() == QLockFile::LockFailedError) {
            return QStringLiteral("its lock %1 could not be taken")
                .arg(QDir::toNativeSeparators(lock.fileName()));
        }
    }
    ProgramSettings settings;
    qint64 bytes = 4096;
    for (const auto &[key, value] : values) {
        settings.setValue(key, value);
        bytes += value.toUtf8().size();
    }
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status == QSettings::NoError) {
        return std::nullopt;
    }
    if (storeIsOneFile()) {
        if (const std::optional<QString> reason =
                whyNotWritable(folder, QFileInfo(file).fileName(), bytes)) {
            return reason;
        }
    }
    // A damaged file reports a format error even though it is rewritten whole, and that first
    // error hides any later one: whether the file can be written is what decides.
    if (status == QSettings::FormatError) {
        return std::nullopt;
    }
    return QString();
}
