#pragma once

#include <QString>
#include <QStringList>

// The stored form of the prefix list: every entry followed by ";", the empty text for no
// entries. Entries are kept verbatim, so one holding ";" comes back as several.
QString joinPrefixes(const QStringList &prefixes);

// The entries of a stored prefix list, in order; empty pieces are dropped, since a typed
// prefix is never empty and an empty one would only be noise in the list.
QStringList splitStoredPrefixes(const QString &stored);
