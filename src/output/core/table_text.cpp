#include "output/core/table_text.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// Headers and numbers are ASCII, so they are copied byte for byte; anything else is converted.
void appendUtf8(LineBytes &out, const QString &text)
{
    const qsizetype n = text.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (src[i] >= 0x80) {
            const QByteArray utf8 = text.toUtf8();
            out.append(utf8.constData(), utf8.size());
            return;
        }
    }
    char *dst = out.room(n);
    for (qsizetype i = 0; i < n; ++i) {
        dst[i] = char(src[i]);
    }
}

// Appends a cell, its padding up to width and a TAB.
void appendPadded(LineBytes &out, const QString &text, int length, int width)
{
    appendUtf8(out, text);
    const int pad = std::max(0, width - length);
    char *dst = out.room(pad + 1);
    std::memset(dst, ' ', std::size_t(pad));
    dst[pad] = '\t';
}

void appendPaddedNumber(LineBytes &out, std::uint64_t number, int width)
{
    const int pad = std::max(0, width - 12);
    char *dst = out.room(12 + pad + 1);
    writeNumber(number, dst);
    std::memset(dst + 12, ' ', std::size_t(pad));
    dst[12 + pad] = '\t';
}

qsizetype clipboardLineBound(const std::vector<int> &widths)
{
    // The last TAB goes; CR LF comes.
    return std::accumulate(widths.begin(), widths.end(), qsizetype(0)) +
           std::max<qsizetype>(qsizetype(widths.size()) - 1, 0) + 2;
}

void before(CellHook hook)
{
    if (hook) {
        hook();
    }
}

}  // namespace

std::vector<int> columnWidths(const ListSnapshot &list, bool withHeaders, CellHook beforeCell)
{
    std::vector<int> widths;
    widths.reserve(std::size_t(list.columns()));
    for (int k = 1; k <= list.columns(); ++k) {
        int w = withHeaders ? int(list.headers[k - 1].size()) : 0;
        if (k == 1 && list.texts.empty()) {
            // Numbers alone: every first cell is twelve characters long.
            w = list.count() > 0 ? std::max(w, 12) : w;
        } else {
            for (int i = 1; i <= list.count(); ++i) {
                before(beforeCell);
                w = std::max(w, list.cellLength(i, k));
            }
        }
        widths.push_back(w);
    }
    return widths;
}

void appendTableHeader(LineBytes &out, const ListSnapshot &list, const std::vector<int> &widths,
                       CellHook beforeCell)
{
    for (int k = 1; k <= list.columns(); ++k) {
        before(beforeCell);
        const QString &header = list.headers[k - 1];
        appendPadded(out, header, int(header.size()), widths[std::size_t(k - 1)]);
    }
    out.append("\r\n", 2);
}

void appendTableLine(LineBytes &out, const ListSnapshot &list, const std::vector<int> &widths,
                     int position, CellHook beforeCell)
{
    before(beforeCell);
    if (list.isNumber(position)) {
        appendPaddedNumber(out, list.number(position), widths[0]);
    } else {
        const QString &text = list.text(position);
        appendPadded(out, text, int(text.size()), widths[0]);
    }
    for (int k = 2; k <= list.columns(); ++k) {
        before(beforeCell);
        const QString text = list.cell(position, k);
        appendPadded(out, text, int(text.size()), widths[std::size_t(k - 1)]);
    }
    out.append("\r\n", 2);
}

void appendClipboardLine(QString &out, const ListSnapshot &list, const std::vector<int> &widths,
                         int position, CellHook beforeCell)
{
    // A number alone on its line: the trimming below would take its padding and TAB away again.
    if (list.columns() == 1 && list.isNumber(position)) {
        before(beforeCell);
        const qsizetype at = out.size();
        out.resize(at + 14);
        char16_t *line = reinterpret_cast<char16_t *>(out.data() + at);
        writeNumber(list.number(position), line);
        line[12] = u'\r';
        line[13] = u'\n';
        return;
    }
    for (int k = 1; k <= list.columns(); ++k) {
        before(beforeCell);
        const int width = widths[std::size_t(k - 1)];
        if (k == 1 && list.isNumber(position)) {
            const qsizetype at = out.size();
            out.resize(at + std::max(width, 12) + 1, u' ');
            writeNumber(list.number(position), reinterpret_cast<char16_t *>(out.data() + at));
        } else {
            const QString text = list.cell(position, k);
            out.append(text);
            out.resize(out.size() + std::max(0, width - int(text.size())) + 1, u' ');
        }
        out[out.size() - 1] = u'\t';
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

QString clipboardText(const ListSnapshot &list, CellHook beforeEach)
{
    if (list.columns() == 1 && list.texts.empty()) {
        // Numbers alone, one to a line: the text's length is known before its first line.
        QString out(qsizetype(list.checkedCount()) * 14, Qt::Uninitialized);
        char16_t *line = reinterpret_cast<char16_t *>(out.data());
        for (int i = 1; i <= list.count(); ++i) {
            before(beforeEach);
            if (list.isChecked(i)) {
                writeNumber(list.number(i), line);
                line[12] = u'\r';
                line[13] = u'\n';
                line += 14;
            }
        }
        return out;
    }
    const std::vector<int> widths = columnWidths(list, false, beforeEach);
    QString out;
    out.reserve(clipboardLineBound(widths) * list.checkedCount());
    for (int i = 1; i <= list.count(); ++i) {
        before(beforeEach);
        if (list.isChecked(i)) {
            appendClipboardLine(out, list, widths, i, beforeEach);
        }
    }
    return out;
}
