#include "output/core/xlsx_spreadsheet.h"

#include "shell/core/failure.h"
#include "shell/core/file_io.h"

#include <xlsxwriter.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

Failure writeFailure(lxw_error error)
{
    return Failure(QStringLiteral("The workbook could not be written: ") +
                   QString::fromUtf8(lxw_strerror(error)));
}

const QString kWorkbookPrefix = QStringLiteral("Phone numbers ");

// A new file with a name that says what it is and when it was made. It is made here, and only
// here, so the workbook never goes to a file or link that was there before.
QString createWorkbookFile(const FsHandle &folder, const QString &shownFolder, FsHandle &file)
{
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    for (int n = 1;; ++n) {
        const QString name = kWorkbookPrefix + stamp +
                             (n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)) +
                             QStringLiteral(".xlsx");
        const FsError e = fsCreateFile(folder, name, file);
        if (!e) {
            return name;
        }
        // Taken: the next number. Anything else is a reason to give up.
        if (e.kind != FsError::Exists) {
            throw Failure(QStringLiteral("The workbook %1 could not be made: %2")
                              .arg(QDir::toNativeSeparators(shownFolder + QLatin1Char('/') + name),
                                   e.reason));
        }
    }
}

}  // namespace

XlsxSpreadsheet::XlsxSpreadsheet(QString folder, Show show)
    : folder_(std::move(folder)), show_(std::move(show))
{
}

XlsxSpreadsheet::~XlsxSpreadsheet()
{
    // A workbook that was never written out is not left behind half made, and is not written
    // out just to be removed.
    if (workbook_ != nullptr) {
        // The library closes its file of rows only when it writes the workbook out.
        if (sheet_ != nullptr && sheet_->optimize_tmpfile != nullptr) {
            std::fclose(sheet_->optimize_tmpfile);
            sheet_->optimize_tmpfile = nullptr;
        }
        lxw_workbook_free(workbook_);
    }
    if (!written_ && !name_.isEmpty()) {
        file_.reset();
        (void)fsRemove(folderHandle_, name_);
    }
}

void XlsxSpreadsheet::addWorkbook()
{
    // Nobody else may read the numbers, swap the workbook before the spreadsheet program opens
    // it, or have the clean-up below remove files of theirs choosing.
    folderHandle_ = openOwnFolder(folder_, FolderCheck::Private);
    removeWorkbooksOlderThan(folderHandle_,
                             QDateTime::currentDateTime().addDays(-kWorkbookKeptDays));
    name_ = createWorkbookFile(folderHandle_, folder_, file_);
    path_ = folder_ + QLatin1Char('/') + name_;
    // The library opens its files itself: it is given the system's names for the open workbook
    // and the open folder, which lead to them and nowhere else, whatever is renamed meanwhile.
    const QByteArray file = QFile::encodeName(fsNameOfOpenFile(file_));
    const QByteArray temp = QFile::encodeName(fsNameOfOpenFile(folderHandle_));
    if (file.isEmpty() || temp.isEmpty()) {
        throw Failure(QStringLiteral("A new workbook could not be made in ") +
                      QDir::toNativeSeparators(folder_));
    }
    lxw_workbook_options options{};
    // Rows go to a temporary file as they are finished, so a million rows cost no memory. The
    // library makes it anew under a name of its own in the same private folder, and removes it
    // at once, keeping it open.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(temp.constData());
    workbook_ = workbook_new_opt(file.constData(), &options);
    sheet_ = workbook_ == nullptr ? nullptr : workbook_add_worksheet(workbook_, nullptr);
    if (sheet_ == nullptr || sheet_->optimize_tmpfile == nullptr) {
        throw Failure(QStringLiteral("A new workbook could not be made in ") +
                      QDir::toNativeSeparators(folder_));
    }
}

void XlsxSpreadsheet::requireSheet() const
{
    if (sheet_ == nullptr) {
        throw Failure(QStringLiteral("Object variable or With block variable not set"));
    }
}

void XlsxSpreadsheet::setCell(int row, int column, const QString &text)
{
    requireSheet();
    // Always a string: a text starting with "=" or "+" is never taken for a formula. Numbers
    // and most texts are ASCII, copied into a buffer kept from cell to cell.
    utf8_.clear();
    const char16_t *chars = reinterpret_cast<const char16_t *>(text.constData());
    bool ascii = true;
    for (qsizetype c = 0; c < text.size() && ascii; ++c) {
        ascii = chars[c] < 0x80 && chars[c] != 0;
        utf8_.push_back(char(chars[c]));
    }
    if (!ascii) {
        // The library takes a text up to its first NUL, and a cell cannot hold one: the NULs
        // are left out and the rest is kept.
        QByteArray converted = text.toUtf8();
        converted.replace('\0', QByteArrayView());
        utf8_.assign(converted.constData(), std::size_t(converted.size()));
    }
    const lxw_error error = worksheet_write_string(sheet_, lxw_row_t(row - 1),
                                                   lxw_col_t(column - 1), utf8_.c_str(), nullptr);
    if (error != LXW_NO_ERROR) {
        throw writeFailure(error);
    }
    if (int(widths_.size()) < column) {
        widths_.resize(std::size_t(column), 0);
    }
    widths_[std::size_t(column - 1)] = std::max(widths_[std::size_t(column - 1)], int(text.size()));
}

void XlsxSpreadsheet::autofitColumns()
{
    requireSheet();
    for (std::size_t c = 0; c < widths_.size(); ++c) {
        if (widths_[c] > 0) {
            // A character of the default font is about one width unit; leave a little room.
            const double width = std::min(255.0, widths_[c] * 1.1 + 1.0);
            worksheet_set_column(sheet_, lxw_col_t(c), lxw_col_t(c), width, nullptr);
        }
    }
}

void XlsxSpreadsheet::finish()
{
    requireSheet();
    lxw_workbook *workbook = workbook_;
    // The library's file of rows, removed from its folder but open, which holds the disk space of
    // every row written. A workbook that fails part way is freed by the library without closing
    // that file when the failure came before the rows were copied into the workbook.
    const FsLibraryFile rows = fsRememberLibraryFile(sheet_->optimize_tmpfile);
    workbook_ = nullptr;
    sheet_ = nullptr;
    // The library's own texts do not say why a file could not be written; the system's does.
    errno = 0;
    const lxw_error error = workbook_close(workbook);
    const int why = errno;
    if (error != LXW_NO_ERROR) {
        fsCloseIfLeftOpen(rows);
        file_.reset();
        (void)fsRemove(folderHandle_, name_);
        name_.clear();
        throw Failure(QStringLiteral("The workbook %1 could not be written: %2")
                          .arg(QDir::toNativeSeparators(path_),
                               why != 0 ? QString::fromLocal8Bit(std::strerror(why))
                                        : QString::fromUtf8(lxw_strerror(error))));
    }
    file_.reset();
    written_ = true;
}

void XlsxSpreadsheet::makeVisible()
{
    finish();
    if (show_ && !show_(path_)) {
        throw Failure(QStringLiteral("The spreadsheet program could not be started for ") +
                      QDir::toNativeSeparators(path_));
    }
}

void removeWorkbooksOlderThan(const FsHandle &folder, const QDateTime &cutoff)
{
    QStringList old;
    fsForEachFile(folder, [&](const QString &name, const QDateTime &changed) {
        if (name.startsWith(kWorkbookPrefix) && name.endsWith(QStringLiteral(".xlsx")) &&
            changed < cutoff) {
            old << name;
        }
    });
    for (const QString &name : old) {
        (void)fsRemove(folder, name);
    }
}

void removeWorkbooksOlderThan(const QString &folder, const QDateTime &cutoff)
{
    removeWorkbooksOlderThan(openOwnFolder(folder, FolderCheck::Private), cutoff);
}
