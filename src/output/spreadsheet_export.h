#pragma once

#include "shell/core/desktop.h"

#include <memory>

// A new workbook for the desktop's spreadsheet program: written into the user's own folder
// (~/.cache/dialroster; on Windows %LOCALAPPDATA%\dialroster), then opened with the program the
// desktop has for .xlsx files.
std::unique_ptr<Spreadsheet> openSpreadsheetProgram();
