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
    const std::optional<QString> path = askSavePath(desktop(), CommonDialog1, trap, 106);
    if (!path) {  // [116]
        return;
    }
    BusyPointer busy(*this);  // [118], and [122] at the end
    trap.step(120, [&] {
        // The list as it is now: what happens to it during the export's yields does not reach
        // the file.
        BarProgress bar(*ProgressBar1);
        write(takeListSnapshot(ListView2), *path, &bar, yieldToEventLoop);
    });
}

void Form1::PushButton3_Click()
{
    saveResultsToFile(QStringLiteral("PushButton3_Click"), SaveListAsTextFile);
}
