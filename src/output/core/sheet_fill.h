#pragma once

#include "lists/list_snapshot.h"
#include "output/core/table_text.h"

#include <QString>
#include <functional>

// The most entries a sheet can take below its header row.
constexpr int kMaxSheetEntries = 1048576 - 1;

// Writes one cell of the sheet, as the export's step of that number; false ends the filling.
using SheetCellWriter = std::function<bool(int step, int row, int column, const QString &text)>;

// Fills a sheet with the list as it stood when the export began: the header row, then one row
// per entry, left empty when the entry is not checked. Empty cells take no sheet column, and
// every "=" is taken out of the cells after the first. beforeEach runs before every column, entry
// and cell. False when a cell could not be written.
bool fillSheet(const ListSnapshot &list, const SheetCellWriter &write,
               CellHook beforeEach = nullptr);
