#pragma once

class Form1;

// "Save Results As Excel File": the checked results as a new workbook in the spreadsheet program.
void PushButton13_Click(Form1 &form);

// Whether the spreadsheet program can be started; tells the user when it cannot.
bool SaveResultsAsExcelFileIsExcelInstalled(Form1 &form);

// The most entries a sheet can take below its header row.
constexpr int kMaxSheetEntries = 1048576 - 1;
