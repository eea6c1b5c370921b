// The settings store on Linux and the other Unix systems: one text file in the user's
// configuration folder, ~/.config/Quillane/Quillane.conf.
#include "mainwindow/core/settings_place.h"

#include "shell/core/app_title.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

SettingsPlace settingsPlace()
{
    return {QSettings::NativeFormat, kMakerName, kMakerName};
}

bool storeIsOneFile()
{
    return true;
}

QString settingsLocation()
{
#ifdef Q_OS_DARWIN
    return QSettings(kMakerName, kMakerName).fileName();
#else
    // A QSettings on the store's file reads it at once: opening a named pipe there would wait
    // for a writer for ever. A store of another name lies in the same folder.
    const QFileInfo beside(QSettings(kMakerName, QStringLiteral("dialroster-location")).fileName());
    return beside.dir().filePath(kMakerName + QStringLiteral(".conf"));
#endif
}
