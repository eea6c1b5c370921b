#pragma once

#include "shell/core/desktop.h"
#include "shell/core/file_system.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

// The spreadsheet program as this desktop offers it: the workbook is written as a new .xlsx file
// into a folder and, when it is made visible, handed to `show` (the program the desktop opens
// such files with).
class XlsxSpreadsheet : public Spreadsheet {
public:
    // Shows the finished workbook; false when it could not.
    using Show = std::function<bool(const QString &path)>;
    explicit XlsxSpreadsheet(QString folder, Show show = {});
    ~XlsxSpreadsheet() override;

    void addWorkbook() override;
    void setCell(int row, int column, const QString &text) override;
    void autofitColumns() override;
    void makeVisible() override;

    // Writes the file out without showing it; makeVisible does this first.
    void finish();

private:
    void requireSheet() const;

    QString folder_;
    Show show_;
    FsHandle folderHandle_;  // the folder, opened once and checked
    QString name_;           // the workbook's name in it
    FsHandle file_;          // the workbook, made by the program and written through this
    QString path_;
    lxw_workbook *workbook_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    bool written_ = false;     // the workbook file is whole
    std::vector<int> widths_;  // the longest text of each column, in characters
    std::string utf8_;         // the cell being written
};

// Workbooks stay in their folder after they are handed over, for the user to save from the
// spreadsheet program; those last changed before the cutoff are removed.
void removeWorkbooksOlderThan(const FsHandle &folder, const QDateTime &cutoff);
// The same in a folder of the user's alone, opened (and made) for it.
void removeWorkbooksOlderThan(const QString &folder, const QDateTime &cutoff);
// How long a handed-over workbook is kept.
constexpr int kWorkbookKeptDays = 7;
