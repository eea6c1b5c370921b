#include "generator/core/random_source.h"
#include "mainwindow/form1.h"
#include "output/spreadsheet_export.h"
#include "shell/core/app_title.h"
#include "shell/qt_desktop.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(kMakerName);
    QCoreApplication::setApplicationName(kMakerName);
    // Names the launcher entry, so that docks on Wayland, which know a window only by this name,
    // group the window with its launcher and show its icon, as X11 docks do by its class.
    QGuiApplication::setDesktopFileName(kDesktopEntry);

    QtDesktop desktop(openSpreadsheetProgram);
    Form1 form({desktop, RandomSource::shared()});
    desktop.setParentWindow(&form);
    form.Form_Load();
    form.showCentred();
    const int code = app.exec();
    keepClipboardAfterTheEnd();
    return code;
}
