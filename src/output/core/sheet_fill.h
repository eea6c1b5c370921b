#pragma once

#include "lists/list_snapshot.h"

class ErrorTrap;
class Spreadsheet;

// The most entries a sheet can take below its header row.
constexpr int kMaxSheetEntries = 1048576 - 1;

// Fills the sheet with the list as it stood when the export began: the header row, then one row
// per entry, left empty when the entry is not checked. Empty cells take no sheet column, and
// every "=" is taken out of the cells after the first. The window is given a turn before every
// column, entry and cell. Each cell is a step of the export's trap; the first that cannot be
// written is reported and ends the filling, with false.
bool fillSheet(ErrorTrap &trap, Spreadsheet &sheet, const ListSnapshot &list);
