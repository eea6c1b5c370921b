#pragma once

#include "mainwindow/core/list_snapshot.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The text forms of a list: the padded table of the text file and the lines of the clipboard.
// Plain functions over a snapshot; the window's commands add the yields and the progress.

// Called before every cell; the window's commands pass their yield, so a long list keeps the
// window responsive.
using CellHook = void (*)();

// Width k is the greatest length of cell k among all entries, checked or not, and of header k
// when withHeaders.
std::vector<int> columnWidths(const ListSnapshot &list, bool withHeaders,
                              CellHook beforeCell = nullptr);

// Table lines, appended as UTF-8: every cell padded with spaces to its column's width (a longer
// cell as it is), then a TAB; CR LF after the last cell's TAB.
void appendTableHeader(QByteArray &out, const ListSnapshot &list, const std::vector<int> &widths,
                       CellHook beforeCell = nullptr);
void appendTableLine(QByteArray &out, const ListSnapshot &list, const std::vector<int> &widths,
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
