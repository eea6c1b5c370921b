#pragma once

#include "shell/core/desktop.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

// A desktop that never blocks: it records every call in order and answers from queues.
class ScriptedDesktop : public Desktop {
public:
    struct Call {
        QString kind;  // "message", "input", "open", "save", "clipboard", "url", "spreadsheet
                       // probe", "spreadsheet", "end"
        QString title;
        QString text;
        MessageButtons buttons = MessageButtons::Ok;
        MessageIcon icon = MessageIcon::None;
    };

    QList<Call> calls;
    std::deque<MessageAnswer> answers;          // for Yes/No boxes; Yes when empty
    std::deque<std::optional<QString>> inputs;  // nullopt is Cancel; Cancel when empty
    std::deque<QString> fileChoices;            // for open and save; cancel when empty
    QList<FileDialogState> dialogsShown;        // the dialog state as each was shown
    // Runs while a box is "open", as a user acting during it would.
    std::function<void(const Call &)> onMessage;
    std::function<std::unique_ptr<Spreadsheet>()> spreadsheets;  // absent when not set
    // Kinds of call that fail, as a desktop can; the "Application Error" box never does.
    QStringList failing;
    // Runs where the real program would end, to see what it leaves behind.
    std::function<void()> onEnd;

    std::optional<QString> clipboard;  // nullopt: never touched
    int clipboardClears = 0;
    QStringList urls;
    int endings = 0;

    // The messages shown, in order.
    QList<Call> messages() const;
    QStringList messageTexts() const;

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
};
