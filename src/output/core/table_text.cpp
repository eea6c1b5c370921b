#include "output/core/table_text.h"

#include <algorithm>
#include <numeric>

namespace {

// Numbers and headers are ASCII, so they are copied byte for byte; anything else is converted.
void appendUtf8(QByteArray &out, const QString &text)
{
    const qsizetype n = text.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    bool ascii = true;
    for (qsizetype i = 0; i < n; ++i) {
        if (src[i] >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        out.append(text.toUtf8());
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + n);
    char *dst = out.data() + start;
    for (qsizetype i = 0; i < n; ++i) {
        dst[i] = char(src[i]);
    }
}

int padding(const QString &text, int width)
{
    return std::max(0, width - int(text.size()));
}

template <typename Cell>
void appendPaddedCells(QByteArray &out, int columns, const std::vector<int> &widths, Cell cell,
                       CellHook beforeCell)
{
    for (int k = 1; k <= columns; ++k) {
        if (beforeCell) {
            beforeCell();
        }
        const QString &text = cell(k);
        appendUtf8(out, text);
        out.append(padding(text, widths[std::size_t(k - 1)]), ' ');
        out.append('\t');
    }
    out.append("\r\n", 2);
}

}  // namespace

std::vector<int> columnWidths(const ListSnapshot &list, bool withHeaders, CellHook beforeCell)
{
    std::vector<int> widths;
    widths.reserve(std::size_t(list.columns()));
    for (int k = 1; k <= list.columns(); ++k) {
        int w = withHeaders ? int(list.headers[k - 1].size()) : 0;
        for (const QString &cell : list.cells[std::size_t(k - 1)]) {
            if (beforeCell) {
                beforeCell();
            }
            w = std::max(w, int(cell.size()));
        }
        widths.push_back(w);
    }
    return widths;
}

void appendTableHeader(QByteArray &out, const ListSnapshot &list, const std::vector<int> &widths,
                       CellHook beforeCell)
{
    appendPaddedCells(
        out, list.columns(), widths, [&](int k) -> const QString & { return list.headers[k - 1]; },
        beforeCell);
}

void appendTableLine(QByteArray &out, const ListSnapshot &list, const std::vector<int> &widths,
                     int position, CellHook beforeCell)
{
    appendPaddedCells(
        out, list.columns(), widths,
        [&](int k) -> const QString & { return list.cell(position, k); }, beforeCell);
}

qsizetype tableLineBound(const std::vector<int> &widths)
{
    return std::accumulate(widths.begin(), widths.end(), qsizetype(0)) + qsizetype(widths.size()) +
           2;
}

QByteArray tableText(const ListSnapshot &list)
{
    const std::vector<int> widths = columnWidths(list, true);
    QByteArray out;
    out.reserve(tableLineBound(widths) * (list.checkedCount() + 1));
    appendTableHeader(out, list, widths);
    for (int i = 1; i <= list.count(); ++i) {
        if (list.isChecked(i)) {
            appendTableLine(out, list, widths, i);
        }
    }
    return out;
}

void appendClipboardLine(QString &out, const ListSnapshot &list, const std::vector<int> &widths,
                         int position, CellHook beforeCell)
{
    for (int k = 1; k <= list.columns(); ++k) {
        if (beforeCell) {
            beforeCell();
        }
        const QString &text = list.cell(position, k);
        out.append(text);
        out.resize(out.size() + padding(text, widths[std::size_t(k - 1)]), u' ');
        out.append(u'\t');
    }
    // The trimming works on the whole text built so far, as the lines are joined without a
    // separator of their own.
    out.chop(1);
    qsizetype end = out.size();
    while (end > 0 && out.at(end - 1) == u' ') {
        --end;
    }
    out.truncate(end);
    out.append(u"\r\n");
}

qsizetype clipboardLineBound(const std::vector<int> &widths)
{
    // The last TAB goes; CR LF comes.
    return std::accumulate(widths.begin(), widths.end(), qsizetype(0)) +
           std::max<qsizetype>(qsizetype(widths.size()) - 1, 0) + 2;
}

QString clipboardText(const ListSnapshot &list, CellHook beforeEach)
{
    const std::vector<int> widths = columnWidths(list, false, beforeEach);
    QString out;
    out.reserve(clipboardLineBound(widths) * list.checkedCount());
    for (int i = 1; i <= list.count(); ++i) {
        if (beforeEach) {
            beforeEach();
        }
        if (list.isChecked(i)) {
            appendClipboardLine(out, list, widths, i, beforeEach);
        }
    }
    return out;
}
