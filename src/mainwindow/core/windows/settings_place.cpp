// The settings store on Windows: the registry key that programs of this kind have always kept
// their settings under, HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>,
// with one key per section and the values as strings. A user who kept a prefix list there before
// finds it at the first start.
#include "mainwindow/core/settings_place.h"

#include "shell/core/app_title.h"

#include <QSettings>

SettingsPlace settingsPlace()
{
    // QSettings keeps a user's native settings under HKEY_CURRENT_USER\Software\<organization>.
    // Tests choose a file of their own instead, through the default format.
    return {QSettings::defaultFormat(), QStringLiteral("VB and VBA Program Settings"), kMakerName};
}

bool storeIsOneFile()
{
    return settingsPlace().format != QSettings::NativeFormat;
}

QString settingsLocation()
{
    // A registry key, or the file of a store kept in a file, neither of which opening reads.
    const SettingsPlace place = settingsPlace();
    return QSettings(place.format, QSettings::UserScope, place.organization, place.application)
        .fileName();
}
