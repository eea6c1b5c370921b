#include "shell/wayland_boxes.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QWaylandClientExtensionTemplate>
#include <QWindow>

#include "qwayland-gtk-shell.h"

namespace {

// GNOME's shell protocol, on Qt's own connection to the compositor. Inactive where the
// compositor does not offer it.
class GtkShell : public QWaylandClientExtensionTemplate<GtkShell>, public QtWayland::gtk_shell1 {
public:
    GtkShell() : QWaylandClientExtensionTemplate<GtkShell>(1) {}
    using QWaylandClientExtension::initialize;
};

GtkShell *gtkShell()
{
    static GtkShell *shell = [] {
        auto *made = new GtkShell;
        made->setParent(qApp);
        // Now, not once the event loop gets to it: the box to be placed is being shown.
        made->initialize();
        return made;
    }();
    return shell;
}

}  // namespace

void sayIsBoxOfItsWindow(QWindow *box)
{
    // The compositor names a window by its surface, which Qt makes anew each time the window is
    // shown again; it takes one word of this kind per surface.
    static const char kToldOf[] = "dialroster_toldOfSurface";
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        native == nullptr || box->transientParent() == nullptr) {
        return;
    }
    GtkShell *shell = gtkShell();
    auto *surface =
        static_cast<struct ::wl_surface *>(native->nativeResourceForWindow("surface", box));
    if (!shell->isActive() || surface == nullptr ||
        box->property(kToldOf).value<quintptr>() == quintptr(surface)) {
        return;
    }
    box->setProperty(kToldOf, QVariant::fromValue(quintptr(surface)));
    struct ::gtk_surface1 *said = shell->get_gtk_surface(surface);
    gtk_surface1_set_modal(said);
    // The compositor keeps its side until the surface goes; nothing more is said through it.
    gtk_surface1_destroy(said);
}
