#pragma once

#include "shell/core/desktop.h"

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

// The real desktop: Qt's dialogs, clipboard and URL handler.
class QtDesktop : public Desktop {
public:
    using SpreadsheetFactory = std::function<std::unique_ptr<Spreadsheet>()>;

    explicit QtDesktop(SpreadsheetFactory spreadsheets = {});
    void setParentWindow(QWidget *window) { parent_ = window; }

    MessageAnswer showMessage(const QString &text, const QString &title, MessageButtons buttons,
                              MessageIcon icon) override;
    std::optional<QString> showInput(const QString &text, const QString &title,
                                     const QString &defaultText) override;
    void showOpen(FileDialogState &dialog) override;
    void showSave(FileDialogState &dialog) override;
    void clearClipboard() override;
    void setClipboardText(const QString &text) override;
    void openUrl(const QString &address) override;
    bool hasSpreadsheetProgram() override;
    std::unique_ptr<Spreadsheet> createSpreadsheet() override;
    void endProgram() override;

private:
    SpreadsheetFactory spreadsheets_;
    QWidget *parent_ = nullptr;
};

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as the name filters of a Qt file dialog.
QStringList qtNameFilters(const QString &filter);

// The save dialog the save commands show, made from the window's dialog state.
std::unique_ptr<QFileDialog> makeSaveDialog(QWidget *parent, const FileDialogState &dialog);
