// "Save Results As Text File", and the steps every file export of the results shares.
#include "lists/list_snapshot.h"
#include "mainwindow/form1.h"
#include "output/core/text_table_file.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_dialog.h"
#include "shell/core/yield.h"

void Form1::saveResultsToFile(const QString &handler, FileExport write)
{
    ErrorTrap trap(desktop(), handler);
    setUpSaveDialog(CommonDialog1);  // [106] the flags, [108] the title, [110] the filter
    trap.step(112, [&] { desktop().showSave(CommonDialog1); });
    const QString path = CommonDialog1.fileName;  // [114]
    if (path.isEmpty()) {                         // [116]
        return;
    }
    BusyPointer busy(*this);  // [118], and [122] at the end
    trap.step(120, [&] {
        // The list as it is now: what happens to it during the export's yields does not reach
        // the file.
        BarProgress bar(*ProgressBar1);
        write(ListView2.snapshot(), path, &bar, yieldToEventLoop);
    });
}

void Form1::PushButton3_Click()
{
    saveResultsToFile(QStringLiteral("PushButton3_Click"), SaveListAsTextFile);
}
