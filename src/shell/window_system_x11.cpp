#include "shell/window_system.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QObject>
#include <QWidget>

namespace {

// Qt keeps no watch on its window being destroyed by another client (xdotool windowclose does
// that, as does a window manager that gives up on a window): the X server only tells.
class DestroyWatch : public QObject, public QAbstractNativeEventFilter {
public:
    explicit DestroyWatch(QWidget *window) : QObject(window), window_(window)
    {
        qGuiApp->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window ==
                window_->internalWinId()) {
            // Once Qt is done with the event at hand.
            QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget *window_;
};

}  // namespace

void closeWhenDestroyedFromOutside(QWidget *window)
{
    if (qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr) {
        new DestroyWatch(window);
    }
}
