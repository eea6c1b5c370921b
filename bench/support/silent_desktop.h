#pragma once

#include "measure.h"
#include "shell/core/desktop.h"

#include <memory>

// A desktop for benchmarks: every box answers at once, every dialog returns the queued name.
class SilentDesktop : public Desktop {
public:
    QString nextFile;
    QString clipboard;
    int messages = 0;

    MessageAnswer showMessage(const QString &, const QString &, MessageButtons,
                              MessageIcon) override;
    std::optional<QString> showInput(const QString &, const QString &, const QString &) override;
    void showOpen(FileDialogState &dialog) override { dialog.fileName = nextFile; }
    void showSave(FileDialogState &dialog) override { dialog.fileName = nextFile; }
    void clearClipboard() override { clipboard.clear(); }
    void setClipboardText(const QString &text) override { clipboard = text; }
    void openUrl(const QString &) override {}
    bool hasSpreadsheetProgram() override { return false; }
    std::unique_ptr<Spreadsheet> createSpreadsheet() override;
    void endProgram() override {}
};
