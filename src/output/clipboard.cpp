#include "output/clipboard.h"

#include "mainwindow/form1.h"
#include "output/list_snapshot.h"
#include "output/table_text.h"
#include "shell/error_trap.h"
#include "shell/yield.h"

void CopyListToClipboard(const ListModel &list, Desktop &desktop)
{
    if (list.count() == 0) {
        return;
    }
    // Taken before the first yield, so a list changed meanwhile cannot mix into the text.
    const ListSnapshot s = takeListSnapshot(list);
    const std::vector<int> widths = columnWidths(s, false, yieldToEventLoop);
    QString text;
    text.reserve(clipboardLineBound(widths) * s.checkedCount());
    for (int i = 1; i <= s.count(); ++i) {
        yieldToEventLoop();
        if (s.isChecked(i)) {
            appendClipboardLine(text, s, widths, i, yieldToEventLoop);
        }
    }
    desktop.clearClipboard();
    desktop.setClipboardText(text);
}

void PushButton8_Click(Form1 &form)
{
    ErrorTrap trap(form.desktop(), QStringLiteral("PushButton8_Click"));
    trap.step(106, [&] { CopyListToClipboard(form.ListView2, form.desktop()); });
}

void PushButton7_Click(Form1 &form)
{
    ErrorTrap trap(form.desktop(), QStringLiteral("PushButton7_Click"));
    trap.step(100, [&] { form.ListView2.clear(); });
}
