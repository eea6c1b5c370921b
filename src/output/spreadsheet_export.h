#pragma once

#include "shell/core/desktop.h"

#include <memory>

// The desktop's spreadsheet program: a new workbook in the temporary folder, opened with the
// program the desktop has for .xlsx files. Throws Failure when the desktop has none.
std::unique_ptr<Spreadsheet> openSpreadsheetProgram();
