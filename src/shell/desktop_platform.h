#pragma once

#include <QString>

// What the real desktop does differently on each platform. One file per platform implements
// these (posix/, windows/), chosen by the build; the desktop seam's Qt side calls them.

// Opens a web address in the user's browser, without waiting for it.
void openWebPage(const QString &address);

// Whether the desktop has a program for .xlsx files. The window takes events while the desktop
// answers.
bool desktopHasSpreadsheetProgram();

// The folder of the user's own that workbooks for the spreadsheet program are written into.
QString workbookFolder();
