#pragma once

#include <QCursor>
#include <QString>

// Window pointer states, as the handlers set and test them.
enum PointerState : int {
    kPointerDefault = 0,
    kPointerArrow = 1,
    kPointerBusy = 11,
    kPointerCustom = 99,
};

// The hand shown over the push buttons, beside the program; optional.
inline const QString kHandCursorFile = QStringLiteral("HAND-M.CUR");

// The pointer state after the mouse moves onto a part of the window that asks for `target`.
// A busy window keeps its hourglass, whatever the mouse does.
int pointerAfterMove(int current, int target);

// Reads a Windows cursor file, hot spot included (an icon file gets its centre), as the pointer
// for a screen of the given density: of the file's images, the one drawn for that density or
// scaled from the nearest larger one. Throws Failure when any image cannot be read.
QCursor loadCursorFile(const QString &path, qreal devicePixelRatio = 1.0);
