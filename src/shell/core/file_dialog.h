#pragma once

#include "shell/core/desktop.h"

#include <QString>

// The flags every file command gives the window's file dialog: 2621953 is the sum of the
// standard open-file-name flags for the read-only box ticked (1), several files at once (512),
// the explorer-style dialog (524288) and long file names (2097152). No flag asks before
// replacing a file, and none adds an extension: a name is used as typed.
constexpr int kFileDialogFlags = 2621953;

// Two choices, "Text Files (*.txt)" (the first) and "All Files (*.*)": pairs of a description and
// a pattern, each followed by "|".
inline const QString kFileDialogFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// The dialog as a save command shows it: the flags, the title "Save" and the filter. The file
// name is kept, so the dialog proposes the name last chosen in any file command.
inline void setUpSaveDialog(FileDialogState &dialog)
{
    dialog.flags = kFileDialogFlags;
    dialog.title = QStringLiteral("Save");
    dialog.filter = kFileDialogFilter;
}
