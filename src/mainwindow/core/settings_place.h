#pragma once

#include <QSettings>
#include <QString>

// Where the per-user settings store lies on each platform. One file per platform implements
// these (posix/, windows/), chosen by the build.

// The store as QSettings addresses it; the section is a group below.
struct SettingsPlace {
    QSettings::Format format;
    QString organization;
    QString application;
};
SettingsPlace settingsPlace();

// Whether the store is one file that is written whole. The Windows registry is not: it takes one
// value at a time.
bool storeIsOneFile();

// Where the store keeps its values, for messages. Found without opening the store.
QString settingsLocation();
