#pragma once

#include "shell/core/desktop.h"

#include <memory>

// A new workbook for the desktop's spreadsheet program: written into the user's own folder in
// the cache folder (~/.cache/dialroster), then opened with the program the desktop has for .xlsx
// files.
std::unique_ptr<Spreadsheet> openSpreadsheetProgram();
