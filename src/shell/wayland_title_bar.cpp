#include "shell/wayland_title_bar.h"

#include <QtWaylandClient/private/qwaylandabstractdecoration_p.h>
#include <QtWaylandClient/private/qwaylanddecorationplugin_p.h>
#include <qpa/qplatformcursor.h>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QScreen>
#include <QWindow>

namespace {

using QtWaylandClient::QWaylandAbstractDecoration;
using QtWaylandClient::QWaylandInputDevice;

constexpr char kName[] = "dialroster";

// The frame and buttons of Qt's own title bar, so that windows keep their size and place.
const QMargins kFrame(3, 30, 3, 3);
constexpr int kButtonSize = 18;
constexpr int kButtonGap = 5;
constexpr int kButtonsRight = 8;
constexpr int kIconSize = 22;
constexpr int kTitlePixels = 14;

enum class Button { None, Close, Maximize, Minimize };

class TitleBar : public QWaylandAbstractDecoration {
public:
    QMargins margins(MarginsType type = Full) const override
    {
        return type == ShadowsOnly ? QMargins() : kFrame;
    }

    bool handleMouse(QWaylandInputDevice *device, const QPointF &local, const QPointF &,
                     Qt::MouseButtons buttons, Qt::KeyboardModifiers) override
    {
        const QRect frame = frameRect();
        if (frame.marginsRemoved(kFrame).contains(local.toPoint())) {
            // Qt hands it to the window, and gives the pointer back its shape there.
            setMouseButtons(buttons);
            return false;
        }
        const Qt::Edges edges = resizable() ? edgesAt(local, frame) : Qt::Edges();
        showPointer(pointerFor(edges));
        const Button button = buttonAt(local);
        if (edges) {
            startResize(device, edges, buttons);
        } else if (isRightClicked(buttons) && local.y() < kFrame.top()) {
            showWindowMenu(device);
        } else if (isLeftClicked(buttons)) {
            pressed_ = button;
            if (button == Button::None && local.y() < kFrame.top()) {
                startMove(device, buttons);
            }
        } else if (isLeftReleased(buttons)) {
            // A button acts when released over the button it was pressed on.
            if (button != Button::None && button == pressed_) {
                act(button);
            }
            pressed_ = Button::None;
        }
        setMouseButtons(buttons);
        return true;
    }

    bool handleTouch(QWaylandInputDevice *device, const QPointF &local, const QPointF &,
                     QEventPoint::State state, Qt::KeyboardModifiers) override
    {
        if (state != QEventPoint::Pressed || local.y() >= kFrame.top()) {
            return false;
        }
        if (const Button button = buttonAt(local); button != Button::None) {
            act(button);
        } else {
            setMouseButtons(Qt::NoButton);
            startMove(device, Qt::LeftButton);
        }
        return true;
    }

protected:
    void paint(QPaintDevice *device) override
    {
        const QRect frame = frameRect();
        const QPalette palette = QGuiApplication::palette();
        const QColor ink =
            palette.color(window()->handle()->isActive() ? QPalette::Active : QPalette::Disabled,
                          QPalette::WindowText);
        QPainter painter(device);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath border;
        border.addRoundedRect(frame, 3, 3);
        QPainterPath inside;
        inside.addRect(frame.marginsRemoved(kFrame));
        painter.fillPath(border.subtracted(inside), palette.color(QPalette::Window));

        int titleLeft = kFrame.left() + kButtonGap;
        if (const QIcon icon = window()->icon(); !icon.isNull()) {
            icon.paint(&painter, QRect(titleLeft, 4, kIconSize, kIconSize));
            titleLeft += kIconSize + kButtonGap;
        }
        const QList<Button> shown = buttons();
        const int titleRight = shown.isEmpty() ? frame.right() - kButtonsRight
                                               : buttonRect(shown.size() - 1).left() - kButtonGap;
        drawTitle(painter, ink, QRect(0, 0, frame.width(), kFrame.top()),
                  QRect(titleLeft, 0, titleRight - titleLeft, kFrame.top()));
        for (int place = 0; place < shown.size(); ++place) {
            drawButton(painter, ink, shown[place], buttonRect(place));
        }
    }

private:
    QRect frameRect() const { return QRect(QPoint(), window()->size().grownBy(kFrame)); }

    bool resizable() const { return window()->minimumSize() != window()->maximumSize(); }

    // From the right: close, maximize, minimize, as the window's flags have them.
    QList<Button> buttons() const
    {
        const Qt::WindowFlags flags = window()->flags();
        QList<Button> shown;
        if (flags & Qt::WindowCloseButtonHint) {
            shown << Button::Close;
        }
        if ((flags & Qt::WindowMaximizeButtonHint) && resizable()) {
            shown << Button::Maximize;
        }
        if (flags & Qt::WindowMinimizeButtonHint) {
            shown << Button::Minimize;
        }
        return shown;
    }

    QRectF buttonRect(int place) const
    {
        const int right = frameRect().right() + 1 - kButtonsRight;
        return QRectF(right - (kButtonSize + kButtonGap) * place - kButtonSize,
                      (kFrame.top() - kButtonSize) / 2, kButtonSize, kButtonSize);
    }

    Button buttonAt(const QPointF &local) const
    {
        const QList<Button> shown = buttons();
        for (int place = 0; place < shown.size(); ++place) {
            if (buttonRect(place).contains(local)) {
                return shown[place];
            }
        }
        return Button::None;
    }

    // The frame's sides are as thick at the top as elsewhere; the rest of the top is the bar.
    static Qt::Edges edgesAt(const QPointF &local, const QRect &frame)
    {
        Qt::Edges edges;
        if (local.x() < kFrame.left()) {
            edges |= Qt::LeftEdge;
        } else if (local.x() >= frame.width() - kFrame.right()) {
            edges |= Qt::RightEdge;
        }
        if (local.y() < kFrame.bottom()) {
            edges |= Qt::TopEdge;
        } else if (local.y() >= frame.height() - kFrame.bottom()) {
            edges |= Qt::BottomEdge;
        }
        return edges;
    }

    static Qt::CursorShape pointerFor(Qt::Edges edges)
    {
        if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge)) {
            return Qt::SizeFDiagCursor;
        }
        if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge)) {
            return Qt::SizeBDiagCursor;
        }
        if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
            return Qt::SizeHorCursor;
        }
        return edges ? Qt::SizeVerCursor : Qt::ArrowCursor;
    }

    // The frame shows the desktop's pointer, not what the window's widgets last showed.
    void showPointer(Qt::CursorShape shape) const
    {
        QCursor pointer(shape);
        if (QPlatformCursor *cursor = window()->screen()->handle()->cursor()) {
            cursor->changeCursor(&pointer, window());
        }
    }

    void act(Button button)
    {
        switch (button) {
            case Button::Close:
                QWindowSystemInterface::handleCloseEvent(window());
                break;
            case Button::Maximize:
                window()->setWindowStates(window()->windowStates() ^ Qt::WindowMaximized);
                break;
            case Button::Minimize:
                window()->setWindowState(Qt::WindowMinimized);
                break;
            case Button::None:
                break;
        }
    }

    // Centred on the bar, or, where that would run into the icon or the buttons, within the room
    // between them.
    void drawTitle(QPainter &painter, const QColor &ink, const QRect &bar, const QRect &room) const
    {
        const QString title = window()->title();
        if (title.isEmpty() || room.width() <= 0) {
            return;
        }
        QFont font = painter.font();
        font.setPixelSize(kTitlePixels);
        painter.setFont(font);
        painter.setPen(ink);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(title);
        const int centredLeft = bar.center().x() - width / 2;
        if (centredLeft >= room.left() && centredLeft + width <= room.right()) {
            painter.drawText(bar, Qt::AlignCenter, title);
        } else {
            painter.drawText(room, Qt::AlignCenter,
                             metrics.elidedText(title, Qt::ElideRight, room.width()));
        }
    }

    void drawButton(QPainter &painter, const QColor &ink, Button button, const QRectF &rect) const
    {
        painter.save();
        painter.setPen(QPen(ink, 2));
        switch (button) {
            case Button::Close: {
                const qreal half = rect.height() / 2.3 / 2;
                const QPointF c = rect.center();
                painter.drawLine(c + QPointF(-half, -half), c + QPointF(half, half));
                painter.drawLine(c + QPointF(-half, half), c + QPointF(half, -half));
                break;
            }
            case Button::Maximize: {
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.setPen(QPen(ink, 1));
                const QRectF box = rect.adjusted(4, 5, -4, -5);
                painter.drawRect(box);
                painter.drawLine(box.topLeft() + QPointF(0, 1), box.topRight() + QPointF(0, 1));
                break;
            }
            case Button::Minimize: {
                painter.setRenderHint(QPainter::Antialiasing, false);
                const QRectF line = rect.adjusted(5, 5, -5, -5);
                painter.drawLine(line.bottomLeft(), line.bottomRight());
                break;
            }
            case Button::None:
                break;
        }
        painter.restore();
    }

    Button pressed_ = Button::None;
};

}  // namespace

class DialrosterTitleBarPlugin : public QtWaylandClient::QWaylandDecorationPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QWaylandDecorationFactoryInterface_iid FILE "wayland_title_bar.json")

public:
    QWaylandAbstractDecoration *create(const QString &, const QStringList &) override
    {
        return new TitleBar;
    }
};

Q_IMPORT_PLUGIN(DialrosterTitleBarPlugin)

void useOwnTitleBars()
{
    if (qEnvironmentVariableIsEmpty("QT_WAYLAND_DECORATION")) {
        qputenv("QT_WAYLAND_DECORATION", kName);
    }
}

#include "wayland_title_bar.moc"
