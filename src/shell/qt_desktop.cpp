#include "shell/qt_desktop.h"

#include "shell/core/failure.h"
#include "shell/core/yield.h"
#include "shell/desktop_platform.h"
#include "shell/wayland_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QScopeGuard>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <signal.h>
#include <unistd.h>
#endif

QtDesktop::QtDesktop(SpreadsheetFactory spreadsheets) : spreadsheets_(std::move(spreadsheets)) {}

MessageAnswer QtDesktop::showMessage(const QString &text, const QString &title,
                                     MessageButtons buttons, MessageIcon icon)
{
    QMessageBox box(
        icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
        buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        parent_);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) {
        return MessageAnswer::Yes;
    }
    if (answer == QMessageBox::No) {
        return MessageAnswer::No;
    }
    return MessageAnswer::Ok;
}

std::optional<QString> QtDesktop::showInput(const QString &text, const QString &title,
                                            const QString &defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent_, title, text, QLineEdit::Normal, defaultText, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return answer;
}

QStringList qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "Text Files (*.txt)" already names its pattern the way Qt reads it.
        const QString named = QStringLiteral("(") + pattern + QLatin1Char(')');
        filters << (parts[i].endsWith(named) ? parts[i] : parts[i] + QLatin1Char(' ') + named);
    }
    return filters;
}

namespace {
// After several files were chosen the shared name holds the folder and the names separated by
// NUL characters; a dialog shown next starts in that folder.
QString proposedName(const QString &fileName)
{
    return fileName.section(QChar(0), 0, 0);
}

// Icons and type names from the file's name alone. Qt's own would read a file without a telling
// name to guess its type, and a file that never answers a read (/proc/kmsg, a file on a hung
// mount) would stop the dialog, and with it the window, for good.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isDir()) {
            return QFileIconProvider::icon(Folder);
        }
        return QIcon::fromTheme(byName(info).iconName(), QFileIconProvider::icon(File));
    }
    QString type(const QFileInfo &info) const override
    {
        return info.isDir() ? QStringLiteral("Folder") : byName(info).comment();
    }

private:
    static QMimeType byName(const QFileInfo &info)
    {
        return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }
};

// What both dialogs share: Qt's own dialog on every desktop, which looks at names only.
void useOwnDialog(QFileDialog &box)
{
    static NameOnlyIconProvider provider;
    box.setOption(QFileDialog::DontUseNativeDialog, true);
    box.setIconProvider(&provider);
}

// A typed name as Qt's dialog reads it: relative to the folder shown, "~" and "~user" for home
// folders.
QString typedPath(const QDir &folder, const QString &name)
{
    QString path = name;
#ifdef Q_OS_UNIX
    if (path.startsWith(QLatin1Char('~')) && !QFileInfo::exists(folder.filePath(path))) {
        const qsizetype end = path.indexOf(QLatin1Char('/'));
        const QString user = path.mid(1, end < 0 ? -1 : end - 1);
        const passwd *account = user.isEmpty() ? nullptr : getpwnam(user.toLocal8Bit().constData());
        const QString home = user.isEmpty()
                                 ? QDir::homePath()
                                 : (account ? QFile::decodeName(account->pw_dir) : QString());
        if (!home.isEmpty()) {
            path.replace(0, end < 0 ? path.size() : end, home);
        }
    }
#endif
    return folder.absoluteFilePath(path);
}

// The open dialog hands back the names typed into it as they are, whether they name a file or
// not: the command tells each missing one with its own message while the others load. Qt's own
// dialog refuses a missing name with a warning of its own, and of several typed names keeps only
// those it shows in the list. A typed folder (".." too) still opens in the dialog.
class OpenDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QStringList chosenFiles() const { return typed_.isEmpty() ? selectedFiles() : typed_; }

    void accept() override
    {
        typed_ = typedPaths();
        for (const QString &path : typed_) {
            if (QFileInfo(path).isDir()) {
                typed_.clear();
                break;
            }
        }
        if (typed_.isEmpty()) {
            QFileDialog::accept();
            return;
        }
        QDialog::accept();
    }

private:
    // The names typed into the name field: the whole text, or each name in double quotes. What
    // Qt wrote there for a choice in the list is left to Qt, which holds those names whole (a
    // name may contain a double quote).
    QStringList typedPaths() const
    {
        const auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!edit || !edit->isModified() || edit->text().isEmpty()) {
            return {};
        }
        const QString text = edit->text();
        const QDir folder = directory();
        if (!text.contains(QLatin1Char('"'))) {
            return {typedPath(folder, text)};
        }
        const QStringList pieces = text.split(QLatin1Char('"'));
        QStringList paths;
        for (qsizetype i = 1; i < pieces.size(); i += 2) {
            paths << typedPath(folder, pieces[i]);
        }
        return paths;
    }

    QStringList typed_;
};
}  // namespace

void QtDesktop::showOpen(FileDialogState &dialog)
{
    // Several files only when the flags allow them (512). Opening changes no file, so with the
    // read-only flag (1) the dialog offers no renaming, deleting or new folders either.
    // Qt's own dialog on every desktop, as for saving: a native one would refuse missing names.
    OpenDialog box(parent_, dialog.title, proposedName(dialog.fileName));
    useOwnDialog(box);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setFileMode((dialog.flags & 512) != 0 ? QFileDialog::ExistingFiles
                                              : QFileDialog::ExistingFile);
    box.setOption(QFileDialog::ReadOnly, (dialog.flags & 1) != 0);
    box.setNameFilters(qtNameFilters(dialog.filter));
    const QStringList chosen = box.exec() == QDialog::Accepted ? box.chosenFiles() : QStringList();
    if (chosen.isEmpty()) {
        dialog.fileName.clear();
    } else if (chosen.size() == 1) {
        dialog.fileName = QDir::toNativeSeparators(chosen.first());
    } else {
        // Typed names may lie in other folders than the first: those keep their way there.
        const QDir folder = QFileInfo(chosen.first()).absoluteDir();
        QString joined = QDir::toNativeSeparators(folder.absolutePath());
        for (const QString &path : chosen) {
            joined += QChar(0) + QDir::toNativeSeparators(folder.relativeFilePath(path));
        }
        dialog.fileName = joined;
    }
}

std::unique_ptr<QFileDialog> makeSaveDialog(QWidget *parent, const FileDialogState &dialog)
{
    const QString proposed = proposedName(dialog.fileName);
    auto box = std::make_unique<QFileDialog>(parent, dialog.title, proposed);
    box->setAcceptMode(QFileDialog::AcceptSave);
    box->setFileMode(QFileDialog::AnyFile);
    box->setNameFilters(qtNameFilters(dialog.filter));
    // The name is used as typed: no question before replacing, and no extension added. The
    // native dialogs of Windows and macOS add the chosen filter's extension (".txt") to a name
    // typed without one, whatever the default suffix says; Qt's own dialog adds none.
    box->setOption(QFileDialog::DontConfirmOverwrite, true);
    useOwnDialog(*box);
    box->setDefaultSuffix(QString());
    if (!proposed.isEmpty() && proposed == dialog.fileName) {
        box->selectFile(proposed);
    }
    return box;
}

void QtDesktop::showSave(FileDialogState &dialog)
{
    const std::unique_ptr<QFileDialog> dialogBox = makeSaveDialog(parent_, dialog);
    QFileDialog &box = *dialogBox;
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
        dialog.fileName.clear();
        return;
    }
    dialog.fileName = QDir::toNativeSeparators(box.selectedFiles().first());
}

void QtDesktop::clearClipboard()
{
    QApplication::clipboard()->clear();
}

void QtDesktop::setClipboardText(const QString &text)
{
    putTextOnClipboard(text);
}

void QtDesktop::openUrl(const QString &address)
{
    openWebPage(address);
}

bool QtDesktop::hasSpreadsheetProgram()
{
    return desktopHasSpreadsheetProgram();
}

std::unique_ptr<Spreadsheet> QtDesktop::createSpreadsheet()
{
    if (!spreadsheets_) {
        throw Failure(QStringLiteral("ActiveX component can't create object"));
    }
    return spreadsheets_();
}

void QtDesktop::endProgram()
{
    // Through Qt's own shutdown once the event loop is back: there the desktop's clipboard
    // manager takes over what the user copied, so it outlives the program.
    QCoreApplication::exit(0);
}
