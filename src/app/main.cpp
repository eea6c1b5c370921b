#include "app/bind_handlers.h"
#include "generator/random_source.h"
#include "output/xlsx_spreadsheet.h"
#include "shell/app_title.h"
#include "shell/qt_desktop.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(kMakerName);
    QCoreApplication::setApplicationName(kMakerName);

    QtDesktop desktop(openSpreadsheetProgram);
    auto form = makeMainWindow({desktop, RandomSource::shared()});
    desktop.setParentWindow(form.get());
    form->Form_Load();
    form->showCentred();
    return app.exec();
}
