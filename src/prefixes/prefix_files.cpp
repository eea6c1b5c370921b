#include "prefixes/prefix_files.h"

#include "mainwindow/form1.h"
#include "prefixes/list_file_text.h"
#include "shell/error_trap.h"
#include "shell/file_helpers.h"
#include "shell/file_io.h"
#include "shell/yield.h"

#include <QDir>
#include <optional>
#include <vector>

namespace {

// Several files, long names, explorer style, read-only box ticked.
constexpr int kFileDialogFlags = 2621953;
const QString kFileDialogFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

QString tooLargeText(const QString &path)
{
    return QStringLiteral(
               "%1 is larger than %2 MB, too large for a list of prefixes, and was not "
               "loaded.")
        .arg(path)
        .arg(kMaxListFileBytes / (1024 * 1024));
}

// Writes the entries as they stood when called: the loop yields, and whatever the user does to
// the list meanwhile changes neither what is written nor which positions are read. The old file
// is replaced only once everything is written; any failure is reported once and ends the save.
void writeEntries(const ListModel &list, const QString &path, ErrorTrap &trap)
{
    AtomicFile file(path);
    if (!trap.step(130, [&] { file.open(); })) {
        return;
    }

    QStringList entries;
    if (!trap.step(132, [&] { entries = list.texts(); })) {
        return;
    }

    // Encoding a piece at a time costs far less than one conversion per entry.
    constexpr qsizetype kPieceChars = 32 * 1024;
    QString piece;
    piece.reserve(kPieceChars + 64);
    const auto writePiece = [&] {
        file.write(piece.toUtf8());
        piece.resize(0);
    };
    for (const QString &entry : entries) {
        yieldToEventLoop();
        piece += entry;
        piece += QLatin1String("\r\n");
        if (piece.size() >= kPieceChars && !trap.step(136, writePiece)) {
            return;
        }
    }
    if (!trap.step(136, writePiece)) {
        return;
    }
    trap.step(140, [&] { file.commit(); });
}

}  // namespace

void LoadTextFileIntoList(ListModel &list, const QString &path, Desktop &desktop)
{
    if (!FileExists(path)) {
        desktop.message(QStringLiteral("File not found"));
        return;
    }
    // A folder or a device named in the dialog is told at once; reading it would fail or never
    // end.
    switch (pathKind(path)) {
        case PathKind::Folder:
            desktop.message(
                QStringLiteral("%1 is a folder, not a list file, and was not loaded.").arg(path));
            return;
        case PathKind::Special:
            desktop.message(QStringLiteral("%1 is not a plain file (it is a device, a pipe or a "
                                           "socket), and was not loaded.")
                                .arg(path));
            return;
        default:
            break;
    }
    const std::optional<QByteArray> bytes = readWholeFile(path, kMaxListFileBytes);
    if (!bytes) {
        desktop.message(tooLargeText(path));
        return;
    }
    forEachListEntry(decodeListFileText(*bytes), [&list](QString entry) { list.add(entry); });
}

QString joinChosenPath(const QString &folder, const QString &name)
{
    const QChar separator = QDir::separator();
    const QString pair(2, separator);
    const QString path = folder + separator + name;
    const qsizetype kept =
        (separator == QLatin1Char('\\') && path.startsWith(pair)) ? pair.size() : 0;
    QString rest = path.mid(kept);
    rest.replace(pair, QString(separator));
    return path.left(kept) + rest;
}

void PushButton10_Click(Form1 &form)
{
    Desktop &desktop = form.desktop();
    ErrorTrap trap(desktop, QStringLiteral("PushButton10_Click"));
    FileDialogState &dialog = form.CommonDialog1;

    trap.step(100, [&] { dialog.fileName.clear(); });
    trap.step(102, [&] { dialog.flags = kFileDialogFlags; });
    trap.step(104, [&] {
        dialog.title = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");
    });
    trap.step(106, [&] { dialog.filter = kFileDialogFilter; });
    trap.step(108, [&] { desktop.showOpen(dialog); });
    bool cancelled = false;
    trap.step(110, [&] { cancelled = dialog.fileName.isEmpty(); });
    if (cancelled) {
        return;
    }
    QStringList parts;
    trap.step(112, [&] { parts = dialog.fileName.split(QChar(0)); });
    trap.step(114, [&] { form.setMousePointer(kPointerBusy); });
    if (parts.size() == 1) {
        QString path;
        trap.step(118, [&] { path = parts[0]; });
        trap.step(120, [&] { LoadTextFileIntoList(form.ListView1, path, desktop); });
    } else {
        for (qsizetype i = 1; i < parts.size(); ++i) {
            QString path;
            trap.step(130, [&] { path = joinChosenPath(parts[0], parts[i]); });
            trap.step(134, [&] { LoadTextFileIntoList(form.ListView1, path, desktop); });
        }
    }
    trap.step(138, [&] { form.setMousePointer(kPointerDefault); });
}

void PushButton12_Click(Form1 &form)
{
    ErrorTrap trap(form.desktop(), QStringLiteral("PushButton12_Click"));
    trap.step(100, [&] {
        form.desktop().message(
            QStringLiteral("You must load text files into the list. You can not load Word files "
                           "for example."));
    });
}

void PushButton11_Click(Form1 &form)
{
    ErrorTrap trap(form.desktop(), QStringLiteral("PushButton11_Click"));
    trap.step(100, [&] { form.ListView1.add(QStringLiteral("603-43")); });
    trap.step(102, [&] { form.ListView1.add(QStringLiteral("800-281-2")); });
    trap.step(104, [&] { form.ListView1.add(QStringLiteral("717")); });
}

void PushButton5_Click(Form1 &form)
{
    Desktop &desktop = form.desktop();
    ErrorTrap trap(desktop, QStringLiteral("PushButton5_Click"));
    FileDialogState &dialog = form.CommonDialog1;

    // The name is kept: the dialog proposes the one last chosen in any file command.
    trap.step(108, [&] { dialog.flags = kFileDialogFlags; });
    trap.step(110, [&] { dialog.title = QStringLiteral("Save"); });
    trap.step(112, [&] { dialog.filter = kFileDialogFilter; });
    trap.step(114, [&] { desktop.showSave(dialog); });
    QString path;
    trap.step(116, [&] { path = dialog.fileName; });
    if (path.isEmpty()) {
        return;
    }
    bool exists = false;
    trap.step(120, [&] { exists = FileExists(path); });
    // Without an answer nothing is replaced.
    MessageAnswer answer = MessageAnswer::No;
    if (exists) {
        trap.step(122, [&] {
            answer = desktop.message(
                QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                MessageButtons::YesNo);
        });
    } else {
        trap.step(124, [&] { answer = MessageAnswer::Yes; });
    }
    if (answer != MessageAnswer::Yes) {
        return;
    }
    trap.step(128, [&] { form.setMousePointer(kPointerBusy); });
    writeEntries(form.ListView2, path, trap);
    trap.step(142, [&] { form.setMousePointer(kPointerArrow); });
}
