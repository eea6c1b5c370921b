#pragma once

#include <QCursor>
#include <QString>

// The hand shown over the push buttons, beside the program; optional.
inline const QString kHandCursorFile = QStringLiteral("HAND-M.CUR");

// Reads a Windows cursor file, hot spot included (an icon file gets its centre). Throws Failure
// when the file cannot be read as a cursor.
QCursor loadCursorFile(const QString &path);
