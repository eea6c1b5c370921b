#include "generator/core/random_source.h"
#include "mainwindow/form1.h"
#include "output/spreadsheet_export.h"
#include "shell/core/app_title.h"
#include "shell/qt_desktop.h"
#include "shell/session_bus.h"
#include "shell/wayland_desktop.h"
#include "shell/window_system.h"

#include <QAccessibleObject>
#include <QApplication>

namespace {

// A screen reader names the program by the product, as its window does. The display name stays
// unset: on X11 Qt would append it to the title of every box.
class ApplicationAccessible : public QAccessibleApplication {
public:
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? kProductName : QAccessibleApplication::text(t);
    }
};

QAccessibleInterface *applicationAccessible(const QString &, QObject *object)
{
    return object == qApp ? new ApplicationAccessible : nullptr;
}

}  // namespace

int main(int argc, char *argv[])
{
    useOnlyARunningSessionBus();
    QApplication app(argc, argv);
    QAccessible::installFactory(applicationAccessible);
    QCoreApplication::setOrganizationName(kMakerName);
    QCoreApplication::setApplicationName(kMakerName);
    // Names the launcher entry, so that docks on Wayland, which know a window only by this name,
    // group the window with its launcher and show its icon, as X11 docks do by its class.
    QGuiApplication::setDesktopFileName(kDesktopEntry);
    arrangeWaylandWindows();

    int code = 1;
    {
        QtDesktop desktop(openSpreadsheetProgram);
        Form1 form({desktop, RandomSource::shared()});
        desktop.setParentWindow(&form);
        closeWhenDestroyedFromOutside(&form);
        form.Form_Load();
        form.showCentred();
        // Every handler catches what its loops throw at the end; should anything else cross the
        // event loop all the same, what the user copied is still handed over.
        try {
            code = app.exec();
        } catch (...) {
            qWarning("The program ended on a failure that no handler caught");
        }
        keepClipboardAfterTheEnd();
    }
    // The window and its lists are gone here: what may stay is the copied text alone.
    keepWaylandClipboardAfterTheEnd();
    return code;
}
