#pragma once

#include "shell/desktop.h"

#include <QDateTime>
#include <QString>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

// The spreadsheet program as this desktop offers it: the workbook is written as a new .xlsx file
// in the user's temporary folder and handed to the program the desktop opens such files with.
class XlsxSpreadsheet : public Spreadsheet {
public:
    explicit XlsxSpreadsheet(QString folder);
    ~XlsxSpreadsheet() override;

    void addWorkbook() override;
    void setCell(int row, int column, const QString &text) override;
    void autofitColumns() override;
    void makeVisible() override;

    // Writes the file out without showing it; makeVisible does this first.
    void finish();
    QString path() const { return path_; }

private:
    void requireSheet() const;

    QString folder_;
    QString path_;
    lxw_workbook *workbook_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    std::vector<int> widths_;  // the longest text of each column, in characters
};

// Workbooks stay in their folder after they are handed over, for the user to save from the
// spreadsheet program; those last changed before the cutoff are removed.
void removeWorkbooksOlderThan(const QString &folder, const QDateTime &cutoff);
// How long a handed-over workbook is kept.
constexpr int kWorkbookKeptDays = 7;

// Whether the desktop has a program for .xlsx files.
bool spreadsheetProgramAvailable();

// The real spreadsheet program; throws Failure when the desktop has none.
std::unique_ptr<Spreadsheet> openSpreadsheetProgram();
