#include "shell/wayland_desktop.h"

#include "shell/wayland_boxes.h"
#include "shell/wayland_title_bar.h"

#include <malloc.h>
#include <unistd.h>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <csignal>

namespace {

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// An hourglass the size of the desktop's pointers, its hot spot in the middle.
QCursor stillHourglass(qreal devicePixelRatio)
{
    constexpr int kSize = 24;
    QPixmap picture(QSize(kSize, kSize) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath glass;
    glass.moveTo(6.5, 3.5);
    glass.lineTo(17.5, 3.5);
    glass.cubicTo(17.5, 8.5, 13.5, 10.5, 13.5, 12);
    glass.cubicTo(13.5, 13.5, 17.5, 15.5, 17.5, 20.5);
    glass.lineTo(6.5, 20.5);
    glass.cubicTo(6.5, 15.5, 10.5, 13.5, 10.5, 12);
    glass.cubicTo(10.5, 10.5, 6.5, 8.5, 6.5, 3.5);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::white);
    painter.drawPath(glass);
    // The sand, gathered in the lower bulb.
    QPainterPath sand;
    sand.moveTo(12, 14.5);
    sand.cubicTo(14.5, 16, 16.5, 17.5, 16.5, 19.5);
    sand.lineTo(7.5, 19.5);
    sand.cubicTo(7.5, 17.5, 9.5, 16, 12, 14.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xb0, 0x80, 0x30));
    painter.drawPath(sand);
    // The frame's top and bottom boards.
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(QColor(0x60, 0x40, 0x20));
    painter.drawRoundedRect(QRectF(4.5, 1.5, 15, 2.5), 1, 1);
    painter.drawRoundedRect(QRectF(4.5, 20, 15, 2.5), 1, 1);
    painter.end();
    return QCursor(picture, kSize / 2, kSize / 2);
}

// Undoes a maximize of a window that has a fixed size, and a minimize of a box; has boxes
// placed over their window.
class FixedWindowKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Its first picture is what has the compositor place a window: it must know by then.
        if (event->type() == QEvent::Expose) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window != nullptr && window->type() == Qt::Dialog) {
                sayIsBoxOfItsWindow(window);
            }
            return false;
        }
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() != QEvent::WindowStateChange || widget == nullptr ||
            !widget->isWindow()) {
            return false;
        }
        const bool fixed = widget->minimumSize() == widget->maximumSize();
        const bool box = widget->windowType() == Qt::Dialog;
        Qt::WindowStates states = widget->windowState();
        if (fixed && (states & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            states &= ~(Qt::WindowMaximized | Qt::WindowFullScreen);
        }
        if (box && (states & Qt::WindowMinimized)) {
            states &= ~Qt::WindowMinimized;
        }
        if (states != widget->windowState()) {
            // Once the change has been handled: Qt is still inside it.
            QPointer<QWidget> window(widget);
            QTimer::singleShot(0, widget, [window, states] {
                if (window) {
                    window->setWindowState(states);
                }
            });
        }
        return false;
    }
};

// A copied text as UTF-8 alone, offered as plain text too.
class Utf8Text : public QMimeData {
public:
    explicit Utf8Text(const QString &text) : utf8_(text.toUtf8()) {}
    QStringList formats() const override { return {kUtf8, kPlain}; }
    bool hasFormat(const QString &format) const override
    {
        return format == kUtf8 || format == kPlain;
    }

protected:
    QVariant retrieveData(const QString &format, QMetaType type) const override
    {
        if (!hasFormat(format)) {
            return {};
        }
        // Only while it is handed over, and only for a program that asks for text.
        if (type.id() == QMetaType::QString) {
            return QString::fromUtf8(utf8_);
        }
        return utf8_;
    }

private:
    static inline const QString kUtf8 = QStringLiteral("text/plain;charset=utf-8");
    static inline const QString kPlain = QStringLiteral("text/plain");
    QByteArray utf8_;
};

// Frees what the program put on the clipboard once it is no longer there, which Qt 6.4's Wayland
// clipboard never does.
class CopyFreer : public QObject {
public:
    explicit CopyFreer(QClipboard *clipboard) : QObject(clipboard), clipboard_(clipboard)
    {
        connect(clipboard, &QClipboard::dataChanged, this, &CopyFreer::changed);
    }

private:
    void changed()
    {
        // While the program owns the clipboard, Qt answers with what the program put there.
        QMimeData *now =
            clipboard_->ownsClipboard() ? const_cast<QMimeData *>(clipboard_->mimeData()) : nullptr;
        if (held_ != now) {
            delete held_.data();
            held_ = now;
        }
    }

    QClipboard *clipboard_;
    QPointer<QMimeData> held_;
};

// The session's end (SIGTERM, SIGHUP, SIGINT) while the program keeps the clipboard.
int g_endPipe[2] = {-1, -1};

void sessionEnds(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_endPipe[1], &byte, 1);
}

}  // namespace

QCursor busyPointer(qreal devicePixelRatio)
{
    return onWayland() ? stillHourglass(devicePixelRatio) : QCursor(Qt::WaitCursor);
}

void arrangeWaylandWindows()
{
    if (onWayland()) {
        useOwnTitleBars();
        qApp->installEventFilter(new FixedWindowKeeper(qApp));
    }
}

void putTextOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!onWayland()) {
        clipboard->setText(text);
        return;
    }
    static CopyFreer *freer = new CopyFreer(clipboard);
    Q_UNUSED(freer);
    clipboard->setMimeData(new Utf8Text(text));
}

void keepWaylandClipboardAfterTheEnd()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!onWayland() || !clipboard->ownsClipboard() || ::pipe(g_endPipe) != 0) {
        return;
    }
    // The window's lists were freed, but stay with the process until given back. What a paste
    // takes for a while (the text converted for a program that asks for it as text) is given
    // back as it is freed, not kept for later.
    malloc_trim(0);
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QEventLoop loop;
    // The compositor cancels our offer the moment anyone else copies. It also tells of the
    // clipboard again as the window goes, which changes nothing.
    QObject::connect(clipboard, &QClipboard::dataChanged, &loop, [&loop, clipboard] {
        if (!clipboard->ownsClipboard()) {
            loop.quit();
        }
    });
    QSocketNotifier ending(g_endPipe[0], QSocketNotifier::Read);
    QObject::connect(&ending, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    struct sigaction action = {};
    action.sa_handler = sessionEnds;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        sigaction(signal, &action, nullptr);
    }
    loop.exec();
    // Ended with the session: the copy goes with the program.
    if (clipboard->ownsClipboard()) {
        clipboard->clear();
    }
}
