#pragma once

#include <QString>
#include <memory>
#include <optional>

// Everything the handlers ask of the desktop goes through this one interface, so that tests can
// script the answers and record what the user would have seen.

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning };
enum class MessageAnswer { Ok, Yes, No };

// The window's one file dialog: its file name carries over from one file command to the next.
struct FileDialogState {
    QString fileName;
    int flags = 0;
    QString title;
    QString filter;  // "Description|pattern|Description|pattern|"
};

// A new workbook in the user's spreadsheet program, filled cell by cell.
class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;
    virtual void addWorkbook() = 0;
    virtual void setCell(int row, int column, const QString &text) = 0;
    virtual void autofitColumns() = 0;
    virtual void makeVisible() = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // A modal message box; an empty title means the application title.
    MessageAnswer message(const QString &text, MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None, const QString &title = {});
    // A modal input prompt titled with the application title; nullopt when cancelled.
    std::optional<QString> prompt(const QString &text, const QString &defaultText = {});

    virtual MessageAnswer showMessage(const QString &text, const QString &title,
                                      MessageButtons buttons, MessageIcon icon) = 0;
    virtual std::optional<QString> showInput(const QString &text, const QString &title,
                                             const QString &defaultText) = 0;
    // Both dialogs leave the choice in dialog.fileName, or the empty text when cancelled.
    // Several chosen files come back as the folder and the names, separated by NUL characters.
    virtual void showOpen(FileDialogState &dialog) = 0;
    virtual void showSave(FileDialogState &dialog) = 0;
    virtual void clearClipboard() = 0;
    virtual void setClipboardText(const QString &text) = 0;
    virtual void openUrl(const QString &address) = 0;
    // Whether the desktop has a program to show workbooks in. The window takes events while the
    // desktop answers.
    virtual bool hasSpreadsheetProgram() = 0;
    // A new, empty workbook for that program. Throws Failure when none can be made.
    virtual std::unique_ptr<Spreadsheet> createSpreadsheet() = 0;
    // Ends the program through its ordinary shutdown, as soon as the handlers still running have
    // ended their loops (see endRunningLoops) and the event loop is back.
    virtual void endProgram() = 0;
};
