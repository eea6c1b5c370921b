#include "shell/window_system.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

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

namespace {

// The copied text offered as UTF-8 alone.
class Utf8TextOnly : public QMimeData {
public:
    explicit Utf8TextOnly(QString text) : text_(std::move(text)) {}
    QStringList formats() const override { return {QStringLiteral("UTF8_STRING")}; }
    bool hasFormat(const QString &format) const override
    {
        return format == QLatin1String("UTF8_STRING") || format == QLatin1String("text/plain");
    }

protected:
    QVariant retrieveData(const QString &format, QMetaType) const override
    {
        return hasFormat(format) ? QVariant(text_) : QVariant();
    }

private:
    QString text_;
};

}  // namespace

void keepClipboardAfterTheEnd()
{
    // Qt hands the clipboard over itself as it shuts down, but then sends every format in one
    // piece, and the X server refuses what is larger than its largest request (16 MB, about 1.2
    // million numbers), so the manager would get nothing. While the event loop runs, Qt sends large
    // texts in pieces, so the program asks the manager here. The manager asks for every format in
    // one request, of which Qt sends only one in pieces, so a large text is offered as UTF-8 alone.
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (x11 == nullptr || !clipboard->ownsClipboard()) {
        return;
    }
    xcb_connection_t *x = x11->connection();
    const auto atom = [x](const char *name) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t(XCB_NONE);
        std::free(reply);
        return found;
    };
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, manager), nullptr);
    const bool managed = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    if (!managed) {
        return;
    }
    const QString text = clipboard->text();
    if (text.toUtf8().size() >= qsizetype(xcb_get_maximum_request_length(x)) * 4 - 1024) {
        clipboard->setMimeData(new Utf8TextOnly(text));
    }

    // A window of its own to hear the manager's answer on.
    const xcb_window_t window = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, window,
                      xcb_setup_roots_iterator(xcb_get_setup(x)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    QEventLoop loop;
    struct Answer : QAbstractNativeEventFilter {
        xcb_window_t window;
        QEventLoop *loop;
        bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
        {
            const auto *event = static_cast<const xcb_generic_event_t *>(message);
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                reinterpret_cast<const xcb_selection_notify_event_t *>(event)->requestor ==
                    window) {
                loop->quit();
                return true;
            }
            return false;
        }
    } answer;
    answer.window = window;
    answer.loop = &loop;
    qGuiApp->installNativeEventFilter(&answer);
    xcb_convert_selection(x, window, manager, atom("SAVE_TARGETS"), atom("DIALROSTER_SAVED"),
                          XCB_CURRENT_TIME);
    xcb_flush(x);
    // A manager that never answers, or ends while it takes the text, holds the close 3 s at most.
    QElapsedTimer waited;
    waited.start();
    constexpr int kMostWaitMs = 3000;
    QTimer::singleShot(kMostWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    qGuiApp->removeNativeEventFilter(&answer);
    xcb_destroy_window(x, window);
    xcb_flush(x);
    // The manager takes the clipboard over as the window that asked goes. Until Qt has heard of
    // it, Qt would ask the manager once more as it shuts down, and wait 5 s for an answer.
    QEventLoop takenOver;
    QObject::connect(clipboard, &QClipboard::dataChanged, &takenOver, &QEventLoop::quit);
    QTimer::singleShot(std::max(0, kMostWaitMs - int(waited.elapsed())), &takenOver,
                       &QEventLoop::quit);
    if (clipboard->ownsClipboard()) {
        takenOver.exec();
    }
    // A manager that has not taken it by now will not: nothing is kept rather than a part. A
    // text selected in the count box would have Qt ask the manager again too.
    if (clipboard->ownsClipboard()) {
        clipboard->clear();
    }
    if (clipboard->ownsSelection()) {
        clipboard->clear(QClipboard::Selection);
    }
}
