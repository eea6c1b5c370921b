// The desktop on Windows: the shell's launcher and file associations.
#include "shell/desktop_platform.h"

#include <QStandardPaths>
#include <string>

#include <windows.h>
// The shell's helpers need the declarations above.
#include <shlwapi.h>

void openWebPage(const QString &address)
{
    // The browser is started the way Windows programs always have: explorer with the quoted
    // address, its window minimized (window style 2), so the page opens in the user's default
    // browser without taking the screen from the program.
    std::wstring commandLine = L"explorer \"" + address.toStdWString() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

bool desktopHasSpreadsheetProgram()
{
    // The program the shell would open a workbook with: asked of the file associations, which
    // answer at once.
    DWORD length = 0;
    const HRESULT found = AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE,
                                            L".xlsx", L"open", nullptr, &length);
    return (found == S_OK || found == S_FALSE) && length > 1;
}

QString workbookFolder()
{
    // %LOCALAPPDATA%\dialroster: the local application data folder is the user's alone.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/dialroster");
}
