// "Copy Results To Clipboard": the checked results as lines of text.
#include "output/clipboard.h"

#include "lists/list_snapshot.h"
#include "mainwindow/form1.h"
#include "output/core/table_text.h"
#include "shell/core/error_trap.h"
#include "shell/core/yield.h"

void CopyListToClipboard(const ListModel &list, Desktop &desktop)
{
    if (list.count() == 0) {
        return;
    }
    // Taken before the first yield, so a list changed meanwhile cannot mix into the text.
    const QString text = clipboardText(list.snapshot(), yieldToEventLoop);
    desktop.clearClipboard();
    desktop.setClipboardText(text);
}

void Form1::PushButton8_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton8_Click"));
    trap.step(106, [&] { CopyListToClipboard(ListView2, desktop()); });
}
