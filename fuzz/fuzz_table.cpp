// The text table and the clipboard text: a list of any shape and content gives exactly the text
// a plain rebuilding of the rules gives, and never reads past its cells.
#include "fuzz_support.h"
#include "lists/list_model.h"
#include "lists/list_snapshot.h"
#include "output/core/table_text.h"
#include "output/core/text_table_file.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace {

QString cellText(FuzzedDataProvider &in)
{
    // Mostly short ASCII as numbers are, sometimes anything at all.
    const std::string bytes = in.ConsumeRandomLengthString(24);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString padded(const QString &text, int width)
{
    return text + QString(std::max<qsizetype>(width - text.size(), 0), u' ');
}

std::vector<int> widths(const QStringList &headers, const std::vector<QStringList> &rows,
                        bool withHeaders)
{
    std::vector<int> w(std::size_t(headers.size()), 0);
    for (qsizetype k = 0; k < headers.size(); ++k) {
        if (withHeaders) {
            w[std::size_t(k)] = int(headers[k].size());
        }
        for (const QStringList &row : rows) {
            w[std::size_t(k)] = std::max(w[std::size_t(k)], int(row[k].size()));
        }
    }
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The list batches its view updates with a timer, which wants an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    ListModel list;
    list.setCheckable(true);
    const int columns = in.ConsumeIntegralInRange(1, 4);
    QStringList headers;
    for (int k = 0; k < columns; ++k) {
        headers << cellText(in);
        list.addColumn(headers.back(), 1000);
    }
    std::vector<QStringList> rows;
    std::vector<bool> checked;
    const int count = in.ConsumeIntegralInRange(0, 40);
    for (int i = 1; i <= count; ++i) {
        QStringList row{cellText(in)};
        list.add(row[0]);
        // Sub-items may be left out, and may go past the last column.
        const int subItems = in.ConsumeIntegralInRange(0, columns);
        for (int s = 1; s <= subItems; ++s) {
            const QString text = cellText(in);
            list.setSubItem(i, s, text);
            row << text;
        }
        while (row.size() < columns) {
            row << QString();
        }
        row = row.mid(0, columns);
        rows.push_back(row);
        checked.push_back(in.ConsumeBool());
        list.setChecked(i, checked.back());
    }

    const ListSnapshot snapshot = list.snapshot();

    // The table: every cell padded to its column, then a TAB; CR LF at each line's end.
    const std::vector<int> tableWidths = widths(headers, rows, true);
    auto tableLine = [&](const QStringList &cells) {
        QString line;
        for (int k = 0; k < columns; ++k) {
            line += padded(cells[k], tableWidths[std::size_t(k)]) + u'\t';
        }
        return line + QStringLiteral("\r\n");
    };
    QString table = tableLine(headers);
    // The clipboard: the same cells TAB-separated, without spaces at the line's end.
    const std::vector<int> clipWidths = widths(headers, rows, false);
    QString clipboard;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!checked[i]) {
            continue;
        }
        table += tableLine(rows[i]);
        QStringList cells;
        for (int k = 0; k < columns; ++k) {
            cells << padded(rows[i][k], clipWidths[std::size_t(k)]);
        }
        QString line = cells.join(u'\t');
        while (line.endsWith(u' ')) {
            line.chop(1);
        }
        clipboard += line + QStringLiteral("\r\n");
    }

    // The file as the program writes it, in memory where the system has a folder for that.
    static QTemporaryDir folder(QFileInfo::exists(QStringLiteral("/dev/shm"))
                                    ? QStringLiteral("/dev/shm/fuzz-table-XXXXXX")
                                    : QString());
    const QString file = folder.filePath(QStringLiteral("table.txt"));
    SaveListAsTextFile(snapshot, file);
    QFile written(file);
    FUZZ_REQUIRE(written.open(QIODevice::ReadOnly) && written.readAll() == table.toUtf8());
    FUZZ_REQUIRE(clipboardText(snapshot) == clipboard);
    return 0;
}
