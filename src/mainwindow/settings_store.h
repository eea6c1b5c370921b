#pragma once

#include <QString>
#include <optional>

// The program's keys in the per-user settings store ("Quillane", under the product name).
inline const QString kPrefixesKey = QStringLiteral("Prefixes");
inline const QString kNumberOfPhonesKey = QStringLiteral("Number Of Phones");

// The stored text of a key, or defaultText when the key has none.
QString readSetting(const QString &key, const QString &defaultText);

// Writes the text and flushes it to disk at once. Returns why the store did not take it, or
// nothing when it did.
std::optional<QString> writeSetting(const QString &key, const QString &value);
