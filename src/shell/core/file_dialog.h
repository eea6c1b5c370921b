#pragma once

#include "shell/core/desktop.h"

#include <QString>
#include <optional>

class ErrorTrap;

// The flags every file command gives the window's file dialog: 2621953 is the sum of the
// standard open-file-name flags for the read-only box ticked (1), several files at once (512),
// the explorer-style dialog (524288) and long file names (2097152). No flag asks before
// replacing a file, and none adds an extension: a name is used as typed.
constexpr int kFileDialogFlags = 2621953;

// Two choices, "Text Files (*.txt)" (the first) and "All Files (*.*)": pairs of a description and
// a pattern, each followed by "|".
inline const QString kFileDialogFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// The steps a save command starts with, numbered from firstStep: the flags, the title "Save" and
// the filter are set, the save dialog is shown (the name last chosen in any file command is
// proposed), and its choice is taken. Returns the chosen path; nothing when the user cancelled.
std::optional<QString> askSavePath(Desktop &desktop, FileDialogState &dialog, ErrorTrap &trap,
                                   int firstStep);
