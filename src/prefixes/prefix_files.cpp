#include "prefixes/prefix_files.h"

#include "mainwindow/form1.h"
#include "prefixes/list_file_text.h"
#include "shell/error_trap.h"
#include "shell/failure.h"
#include "shell/file_helpers.h"
#include "shell/yield.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <optional>
#include <vector>

namespace {

// Several files, long names, explorer style, read-only box ticked.
constexpr int kFileDialogFlags = 2621953;
const QString kFileDialogFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// The file's bytes, or nullopt when it holds more than a list file may. Reads in pieces so that
// a device that never ends (or a file that grows while read) stops at the limit.
std::optional<QByteArray> readListFile(const QString &path)
{
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(QStringLiteral("Cannot read %1 (%2)").arg(path, file.errorString()));
    }
    if (!file.isSequential() && file.size() > kMaxListFileBytes) {
        return std::nullopt;
    }
    const qint64 piece = file.isSequential() ? 64 * 1024 : file.size() + 1;
    QByteArray bytes;
    for (;;) {
        const QByteArray more = file.read(qMin(piece, kMaxListFileBytes + 1 - bytes.size()));
        if (more.isEmpty()) {
            break;
        }
        bytes += more;
        if (bytes.size() > kMaxListFileBytes) {
            return std::nullopt;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        throw Failure(QStringLiteral("Cannot read %1 (%2)").arg(path, file.errorString()));
    }
    return bytes;
}

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
    QSaveFile file(QDir::fromNativeSeparators(path));
    const bool opened = trap.step(130, [&] {
        if (!file.open(QIODevice::WriteOnly)) {
            throw Failure(QStringLiteral("Cannot create %1 (%2)").arg(path, file.errorString()));
        }
    });
    if (!opened) {
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
        const QByteArray bytes = piece.toUtf8();
        if (file.write(bytes) != bytes.size()) {
            throw Failure(QStringLiteral("Cannot write %1 (%2)").arg(path, file.errorString()));
        }
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
    trap.step(140, [&] {
        if (!file.commit()) {
            throw Failure(QStringLiteral("Cannot replace %1 (%2)").arg(path, file.errorString()));
        }
    });
}

}  // namespace

void LoadTextFileIntoList(ListModel &list, const QString &path, Desktop &desktop)
{
    if (!FileExists(path)) {
        desktop.message(QStringLiteral("File not found"));
        return;
    }
    const std::optional<QByteArray> bytes = readListFile(path);
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
