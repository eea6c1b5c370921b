#include "shell/core/file_dialog.h"

#include "shell/core/error_trap.h"

std::optional<QString> askSavePath(Desktop &desktop, FileDialogState &dialog, ErrorTrap &trap,
                                   int firstStep)
{
    dialog.flags = kFileDialogFlags;        // [firstStep]
    dialog.title = QStringLiteral("Save");  // [firstStep + 2]
    dialog.filter = kFileDialogFilter;      // [firstStep + 4]
    trap.step(firstStep + 6, [&] { desktop.showSave(dialog); });
    const QString path = dialog.fileName;  // [firstStep + 8]
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}
