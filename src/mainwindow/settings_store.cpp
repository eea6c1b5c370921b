#include "mainwindow/settings_store.h"

#include "shell/app_title.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace {

// Addressed by name rather than through the application's names, so the store is the same
// whoever runs this code (the program, its tests, its benchmarks).
class ProgramSettings : public QSettings {
public:
    ProgramSettings() : QSettings(kMakerName, kMakerName) { beginGroup(kProductName); }
};

// QSettings tells only that the file could not be written; ask the file system why. Nothing
// when the file can be written after all.
std::optional<QString> whyNotWritable(const QString &path)
{
    if (QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return file.errorString();
        }
    }
    // The file is replaced whole through a new file beside it, so its folder must take one.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        return probe.errorString();
    }
    probe.cancelWriting();
    return std::nullopt;
}

}  // namespace

QString readSetting(const QString &key, const QString &defaultText)
{
    ProgramSettings settings;
    return settings.value(key, defaultText).toString();
}

std::optional<QString> writeSetting(const QString &key, const QString &value)
{
    ProgramSettings settings;
    settings.setValue(key, value);
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status == QSettings::NoError) {
        return std::nullopt;
    }
    // A damaged file reports a format error even though it is rewritten whole, and that first
    // error hides any later one: whether the file can be written is what decides.
    const std::optional<QString> reason = whyNotWritable(settings.fileName());
    if (!reason && status == QSettings::FormatError) {
        return std::nullopt;
    }
    const QString file = QDir::toNativeSeparators(settings.fileName());
    if (!reason) {
        return QStringLiteral("The settings file %1 could not be written.").arg(file);
    }
    return QStringLiteral("The settings file %1 cannot be written: %2.").arg(file, *reason);
}
