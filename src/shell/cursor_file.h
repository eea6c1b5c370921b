#pragma once

#include <QCursor>
#include <QString>

// The hand shown over the push buttons, beside the program; optional.
inline const QString kHandCursorFile = QStringLiteral("HAND-M.CUR");

// Reads a Windows cursor file, hot spot included (an icon file gets its centre), as the pointer
// for a screen of the given density: of the file's images, the one drawn for that density or
// scaled from the nearest larger one. Throws Failure when any image cannot be read.
QCursor loadCursorFile(const QString &path, qreal devicePixelRatio = 1.0);
