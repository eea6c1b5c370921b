#include "app/bind_handlers.h"
#include "output/xlsx_spreadsheet.h"
#include "shell/app_title.h"
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
    auto form = makeMainWindow(desktop);
    desktop.setParentWindow(form.get());
    form->Form_Load();
    form->showCentred();
    return app.exec();
}
