#include "output/text_file.h"

#include "mainwindow/form1.h"
#include "output/list_snapshot.h"
#include "output/progress.h"
#include "output/table_text.h"
#include "shell/error_trap.h"
#include "shell/file_io.h"
#include "shell/yield.h"

namespace {

constexpr int kDialogFlags = 2621953;
// Lines gather in memory up to about this size before they go to the file.
constexpr qsizetype kChunkBytes = 1 << 20;

}  // namespace

void SaveListAsTextFile(const ListModel &list, const QString &path, ProgressDisplay *progress)
{
    // The entries as they are now; whatever happens to the list during the yields below does not
    // reach the file.
    const ListSnapshot s = takeListSnapshot(list);
    const QString progressText = QStringLiteral("Writing file: ") + FileNameFromPath(path);
    auto show = [&](double value, const QString &text) {
        yieldToEventLoop();
        progress->setValue(value);
        progress->setText(text);
        yieldToEventLoop();
    };

    if (progress) {
        show(1, progressText);
    }
    const std::vector<int> widths = columnWidths(s, true, yieldToEventLoop);
    if (progress) {
        show(10, progressText);
    }

    // The new text goes to a temporary file that replaces the old one only once it is complete.
    AtomicFile file(path);
    file.open();
    QByteArray chunk;
    chunk.reserve(kChunkBytes + tableLineBound(widths) * 3);
    appendTableHeader(chunk, s, widths, yieldToEventLoop);
    if (progress) {
        show(20, progressText);
    }

    const int n = s.count();
    for (int i = 1; i <= n; ++i) {
        yieldToEventLoop();
        if (!s.isChecked(i)) {
            continue;
        }
        appendTableLine(chunk, s, widths, i, yieldToEventLoop);
        if (progress) {
            yieldToEventLoop();
            // Lists of 2,000 entries or more run past 100 at the end; the bar shows that as 100.
            progress->setValue(double(i + n / 2000) / double(n) * 100.0);
            if (i % 1000 == 0) {
                progress->setText(progressText + QStringLiteral(" (") + QString::number(i) +
                                  QStringLiteral(")"));
            }
            yieldToEventLoop();
        }
        if (chunk.size() >= kChunkBytes) {
            file.write(chunk);
            chunk.resize(0);  // keeps the capacity for the next chunk
        }
    }
    file.write(chunk);
    file.commit();

    if (progress) {
        progress->setValue(100);
        progress->setText(QStringLiteral("Done."));
        progress->setValue(0);
        progress->setText(QStringLiteral("Progress Bar"));
    }
}

void PushButton3_Click(Form1 &form)
{
    ErrorTrap trap(form.desktop(), QStringLiteral("PushButton3_Click"));
    FileDialogState &dialog = form.CommonDialog1;
    trap.step(106, [&] { dialog.flags = kDialogFlags; });
    trap.step(108, [&] { dialog.title = QStringLiteral("Save"); });
    trap.step(110, [&] {
        dialog.filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    });
    trap.step(112, [&] { form.desktop().showSave(dialog); });
    QString path;
    trap.step(114, [&] { path = dialog.fileName; });
    bool cancelled = false;
    trap.step(116, [&] { cancelled = path.isEmpty(); });
    if (cancelled) {
        return;
    }
    trap.step(118, [&] { form.setMousePointer(kPointerBusy); });
    trap.step(120, [&] {
        BarProgress bar(*form.ProgressBar1);
        SaveListAsTextFile(form.ListView2, path, &bar);
    });
    trap.step(122, [&] { form.setMousePointer(kPointerDefault); });
}
