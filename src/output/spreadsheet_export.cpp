#include "output/spreadsheet_export.h"

#include "mainwindow/form1.h"
#include "output/list_snapshot.h"
#include "shell/error_trap.h"
#include "shell/failure.h"
#include "shell/yield.h"

namespace {

QString withoutEquals(QString text)
{
    return text.remove(QLatin1Char('='));
}

// Fills the sheet as the list stood when the export began: the header row, then one row per
// entry (left empty when the entry is not checked). Empty cells take no sheet column. Stops at
// the first cell that cannot be written, after its one report.
bool fillSheet(ErrorTrap &trap, Spreadsheet &sheet, const ListSnapshot &list)
{
    int i = 1;
    for (int k = 1; k <= list.columns(); ++k) {
        yieldToEventLoop();
        if (!list.cell(1, k).isEmpty()) {
            if (!trap.step(k == 1 ? 126 : 132, [&] { sheet.setCell(1, i, list.headers[k - 1]); })) {
                return false;
            }
            ++i;
        }
    }
    int j = 2;
    for (int k = 1; k <= list.count(); ++k) {
        yieldToEventLoop();
        if (list.isChecked(k)) {
            i = 1;
            for (int m = 1; m <= list.columns(); ++m) {
                yieldToEventLoop();
                const QString &cell = list.cell(k, m);
                if (!cell.isEmpty()) {
                    if (!trap.step(m == 1 ? 156 : 162, [&] {
                            sheet.setCell(j, i, m == 1 ? cell : withoutEquals(cell));
                        })) {
                        return false;
                    }
                    ++i;
                }
            }
        }
        ++j;
    }
    return true;
}

}  // namespace

bool SaveResultsAsExcelFileIsExcelInstalled(Form1 &form)
{
    bool result = true;
    try {
        if (!form.desktop().createSpreadsheet()) {
            throw Failure(QStringLiteral("No spreadsheet program"));
        }
    } catch (const std::exception &) {
        form.desktop().message(
            QStringLiteral("Excel is not installed on this computer. You need to have it "
                           "installed to use this software without error."));
        result = false;
    }
    return result;
}

void PushButton13_Click(Form1 &form)
{
    Desktop &desktop = form.desktop();
    ErrorTrap trap(desktop, QStringLiteral("PushButton13_Click"));

    bool installed = false;
    trap.step(100, [&] { installed = SaveResultsAsExcelFileIsExcelInstalled(form); });
    if (!installed) {
        trap.step(178, [&] {
            desktop.message(
                QStringLiteral("Excel is not installed on this computer. You need to "
                               "have it installed to use this feature."));
        });
        return;
    }
    bool empty = false;
    trap.step(108, [&] { empty = form.ListView2.count() == 0; });
    if (empty) {
        return;
    }
    // A sheet has a fixed number of rows; rather than drop the rest, export nothing and say why.
    if (form.ListView2.count() > kMaxSheetEntries) {
        desktop.message(QStringLiteral("The result list holds %L1 numbers, but a worksheet has "
                                       "room for %L2 below its header. Save the results as a text "
                                       "file instead, or generate fewer numbers.")
                            .arg(form.ListView2.count())
                            .arg(kMaxSheetEntries));
        return;
    }

    trap.step(110, [&] { form.setMousePointer(kPointerBusy); });
    // The export works from the list as it stands now, so a list changed during its yields
    // neither fails it nor mixes old and new entries into one workbook.
    const ListSnapshot list = takeListSnapshot(form.ListView2);
    std::unique_ptr<Spreadsheet> sheet;
    // One report at the first failure: a workbook that cannot be made or written gets no more.
    const bool done = trap.step(112, [&] { sheet = desktop.createSpreadsheet(); }) &&
                      trap.step(114, [&] { sheet->addWorkbook(); }) &&
                      fillSheet(trap, *sheet, list) &&
                      trap.step(172, [&] { sheet->autofitColumns(); }) &&
                      trap.step(174, [&] { sheet->makeVisible(); });
    (void)done;
    trap.step(176, [&] { form.setMousePointer(kPointerDefault); });
}
