// Prefix list files: loading them, the "<- ?" hint, the sample, and saving the results as lines.
#include "prefixes/prefix_files.h"

#include "lists/list_snapshot.h"
#include "mainwindow/form1.h"
#include "prefixes/core/list_file_text.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_dialog.h"
#include "shell/core/file_helpers.h"
#include "shell/core/line_file.h"
#include "shell/core/yield.h"

namespace {

// Writes the entries as they stood when called: the loop yields, and whatever the user does to
// the list meanwhile changes neither what is written nor which positions are read. The old file
// is replaced only once everything is written; any failure is reported once and ends the save.
void writeEntries(const ListModel &list, const QString &path, ErrorTrap &trap)
{
    AtomicFile file(path);
    if (!trap.step(130, [&] { file.open(); })) {
        return;
    }
    const ListSnapshot entries = list.snapshot();  // [132]
    LineBytes out;
    // A yield [134] and a line [136] for each entry.
    if (!trap.step(136, [&] {
            writeLines(
                file, out, entries.count(),
                [&](LineBytes &line, int i) { appendListFileLine(line, entries, i); },
                yieldToEventLoop);
        })) {
        return;
    }
    trap.step(140, [&] { file.commit(); });
}

}  // namespace

void LoadTextFileIntoList(ListModel &list, const QString &path, Desktop &desktop)
{
    if (const std::optional<QString> refusal =
            readListFile(path, [&list](QStringView entry) { list.add(entry); })) {
        desktop.message(*refusal);
    }
}

void Form1::PushButton10_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton10_Click"));
    FileDialogState &dialog = CommonDialog1;
    dialog.fileName.clear();          // [100]
    dialog.flags = kFileDialogFlags;  // [102]
    dialog.title =
        QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");  // [104]
    dialog.filter = kFileDialogFilter;                                             // [106]
    trap.step(108, [&] { desktop().showOpen(dialog); });
    if (dialog.fileName.isEmpty()) {  // [110]
        return;
    }
    // [112] One path, or the folder and the names of several files.
    const QStringList parts = dialog.fileName.split(QChar(0));
    BusyPointer busy(*this);  // [114], and [138] at the end
    if (parts.size() == 1) {
        trap.step(120, [&] { LoadTextFileIntoList(ListView1, parts[0], desktop()); });
    } else {
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QString path = joinChosenPath(parts[0], parts[i]);  // [130]-[132]
            trap.step(134, [&] { LoadTextFileIntoList(ListView1, path, desktop()); });
        }
    }
}

void Form1::PushButton12_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton12_Click"));
    trap.step(100, [&] {
        desktop().message(
            QStringLiteral("You must load text files into the list. You can not load Word files "
                           "for example."));
    });
}

void Form1::PushButton11_Click()
{
    ListView1.add(QStringLiteral("603-43"));     // [100]
    ListView1.add(QStringLiteral("800-281-2"));  // [102]
    ListView1.add(QStringLiteral("717"));        // [104]
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton5_Click"));
    setUpSaveDialog(CommonDialog1);  // [108] the flags, [110] the title, [112] the filter
    trap.step(114, [&] { desktop().showSave(CommonDialog1); });
    const QString path = CommonDialog1.fileName;  // [116]
    if (path.isEmpty()) {                         // [118]
        return;
    }
    // [120] Without an answer nothing is replaced.
    MessageAnswer answer = MessageAnswer::Yes;  // [124]
    if (FileExists(path)) {
        answer = MessageAnswer::No;
        trap.step(122, [&] {
            answer = desktop().message(
                QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                MessageButtons::YesNo);
        });
    }
    if (answer != MessageAnswer::Yes) {  // [126]
        return;
    }
    BusyPointer busy(*this, kPointerArrow);  // [128], and [142] at the end
    writeEntries(ListView2, path, trap);     // [130]-[140]
}
