#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

// The stored form of the prefix list: every entry followed by ";", the empty text for no
// entries. Entries are kept verbatim, so one holding ";" comes back as several.
QString joinPrefixes(const QStringList &prefixes);

// Calls add once for each entry of a stored prefix list, in order; empty pieces are dropped,
// since a typed prefix is never empty and an empty one would only be noise in the list. The
// entries are views into stored, so a list of millions is restored without a string for each.
void forEachStoredPrefix(QStringView stored, const std::function<void(QStringView)> &add);

// Whether the bytes of a settings file have the shape the store writes: UTF-8 text without NUL
// characters, every line a [section], a key=value, a comment or blank, and the last line ended.
// Random bytes, or a file cut off in the middle of a line, have not; QSettings itself would read
// them without complaint and write its guesses back.
bool looksLikeSettingsText(const QByteArray &bytes);
