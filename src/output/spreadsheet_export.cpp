// "Save Results As Excel File": the checked results as a new workbook in the spreadsheet program.
#include "output/spreadsheet_export.h"

#include "lists/list_snapshot.h"
#include "mainwindow/form1.h"
#include "output/core/sheet_fill.h"
#include "output/core/xlsx_spreadsheet.h"
#include "shell/core/error_trap.h"
#include "shell/core/yield.h"
#include "shell/desktop_platform.h"

#include <QDesktopServices>
#include <QUrl>

std::unique_ptr<Spreadsheet> openSpreadsheetProgram()
{
    // A folder of the user's alone, where nobody else can read the numbers or swap a workbook.
    return std::make_unique<XlsxSpreadsheet>(workbookFolder(), [](const QString &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    });
}

bool Form1::SaveResultsAsExcelFileIsExcelInstalled()
{
    // The desktop is asked once per click, and no workbook is made for the question.
    // It traps every failure of its own, its message's too.
    bool installed = false;
    try {
        installed = desktop().hasSpreadsheetProgram();
        if (!installed) {
            desktop().message(
                QStringLiteral("Excel is not installed on this computer. You need to have it "
                               "installed to use this software without error."));
        }
    } catch (const std::exception &) {
    }
    return installed;
}

void Form1::PushButton13_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton13_Click"));
    bool installed = false;
    trap.step(100, [&] { installed = SaveResultsAsExcelFileIsExcelInstalled(); });
    if (!installed) {
        trap.step(178, [&] {
            desktop().message(
                QStringLiteral("Excel is not installed on this computer. You need to have it "
                               "installed to use this feature."));
        });
        return;
    }
    if (ListView2.count() == 0) {  // [108]
        return;
    }
    // A sheet has a fixed number of rows; rather than drop the rest, export nothing and say why.
    if (ListView2.count() > kMaxSheetEntries) {
        desktop().message(QStringLiteral("The result list holds %L1 numbers, but a worksheet has "
                                         "room for %L2 below its header. Save the results as a "
                                         "text file instead, or generate fewer numbers.")
                              .arg(ListView2.count())
                              .arg(kMaxSheetEntries));
        return;
    }

    BusyPointer busy(*this);  // [110], and [176] at the end
    // The export works from the list as it stands now, so a list changed during its yields
    // neither fails it nor mixes old and new entries into one workbook.
    const ListSnapshot list = ListView2.snapshot();
    std::unique_ptr<Spreadsheet> sheet;
    // Each cell is a step of its own. One report at the first failure: a workbook that cannot be
    // made or written gets no more.
    const auto writeCell = [&](int step, int row, int column, const QString &text) {
        return trap.step(step, [&] { sheet->setCell(row, column, text); });
    };
    (void)(trap.step(112, [&] { sheet = desktop().createSpreadsheet(); }) &&
           trap.step(114, [&] { sheet->addWorkbook(); }) &&
           fillSheet(list, writeCell, yieldToEventLoop) &&
           trap.step(172, [&] { sheet->autofitColumns(); }) &&
           trap.step(174, [&] { sheet->makeVisible(); }));
}
