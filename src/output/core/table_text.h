#pragma once

#include "lists/list_snapshot.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <algorithm>
#include <cstring>
#include <vector>

// The text forms of a list: the padded table of the text file and the lines of the clipboard.
// Plain functions over a snapshot; the window's commands add the yields and the progress.

// Bytes built up line by line. A QByteArray that grows at every cell spends more on growing than
// on the text; this one takes room in large steps and keeps its length apart.
class LineBytes {
public:
    // n bytes of room at the end, to be written; they count at once.
    char *room(qsizetype n)
    {
        if (used_ + n > bytes_.size()) {
            bytes_.resize(std::max<qsizetype>({bytes_.size() * 2, used_ + n, 64 * 1024}));
        }
        char *at = bytes_.data() + used_;
        used_ += n;
        return at;
    }
    void append(const char *data, qsizetype n) { std::memcpy(room(n), data, std::size_t(n)); }
    // Gives back the last n bytes of room.
    void unwrite(qsizetype n) { used_ -= n; }
    qsizetype size() const { return used_; }
    QByteArrayView view() const { return QByteArrayView(bytes_.constData(), used_); }
    // Empty again, keeping the room for what comes next.
    void clear() { used_ = 0; }
    QByteArray take()
    {
        bytes_.resize(used_);
        used_ = 0;
        return std::move(bytes_);
    }

private:
    QByteArray bytes_;
    qsizetype used_ = 0;
};

// Called before every cell; the window's commands pass their yield, so a long list keeps the
// window responsive.
using CellHook = void (*)();

// Width k is the greatest length of cell k among all entries, checked or not, and of header k
// when withHeaders.
std::vector<int> columnWidths(const ListSnapshot &list, bool withHeaders,
                              CellHook beforeCell = nullptr);

// Table lines, appended as UTF-8: every cell padded with spaces to its column's width (a longer
// cell as it is), then a TAB; CR LF after the last cell's TAB.
void appendTableHeader(LineBytes &out, const ListSnapshot &list, const std::vector<int> &widths,
                       CellHook beforeCell = nullptr);
void appendTableLine(LineBytes &out, const ListSnapshot &list, const std::vector<int> &widths,
                     int position, CellHook beforeCell = nullptr);
// Characters in one table line at most, for reserving (bytes too, while the text is ASCII).
qsizetype tableLineBound(const std::vector<int> &widths);
// The whole text file: the header line, then one line per checked entry.
QByteArray tableText(const ListSnapshot &list);

// A clipboard line: the cells as in the table, TAB-separated, without the last TAB and without
// spaces at the end, then CR LF.
void appendClipboardLine(QString &out, const ListSnapshot &list, const std::vector<int> &widths,
                         int position, CellHook beforeCell = nullptr);
qsizetype clipboardLineBound(const std::vector<int> &widths);
// One line per checked entry; no header. Widths count the cells only. beforeEach runs before
// every cell of both passes and before every entry.
QString clipboardText(const ListSnapshot &list, CellHook beforeEach = nullptr);
