#pragma once

#include "lists/list_snapshot.h"
#include "shell/core/line_file.h"

#include <QString>
#include <vector>

// The text forms of a list: the padded table of the text file and the lines of the clipboard.
// Plain functions over a snapshot; the window's commands add the yields and the progress.

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

// A clipboard line: the cells as in the table, TAB-separated, without the last TAB and without
// spaces at the end, then CR LF.
void appendClipboardLine(QString &out, const ListSnapshot &list, const std::vector<int> &widths,
                         int position, CellHook beforeCell = nullptr);
// One line per checked entry; no header. Widths count the cells only. beforeEach runs before
// every cell of both passes and before every entry.
QString clipboardText(const ListSnapshot &list, CellHook beforeEach = nullptr);
