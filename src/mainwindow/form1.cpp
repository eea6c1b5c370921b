#include "mainwindow/form1.h"

#include "generator/core/random_source.h"
#include "listcontrol/list_view.h"
#include "mainwindow/core/home_page.h"
#include "mainwindow/product_icon.h"
#include "shell/core/app_title.h"
#include "shell/core/error_trap.h"
#include "shell/core/failure.h"
#include "shell/core/file_helpers.h"
#include "shell/core/yield.h"
#include "shell/cursor_file.h"
#include "shell/skin.h"
#include "shell/wayland_desktop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstring>
#include <map>

namespace {

constexpr int kClientWidth = 15960;
constexpr int kClientHeight = 5640;
constexpr int kListColumnWidth = 7000;

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                   twipsToPixels(height));
}

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

ListView *makeList(QWidget *parent, ListModel *model)
{
    auto *view = new ListView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFont(arialBold(9));
    QObject::connect(model, &ListModel::columnWidthChanged, view, [view](int column, int twips) {
        view->setColumnWidth(column - 1, twipsToPixels(twips));
    });
    // A screen reader names the list by its column header, as the eye reads it.
    QObject::connect(model, &QAbstractItemModel::columnsInserted, view,
                     [view, model] { view->setAccessibleName(model->header(1)); });
    return view;
}

// What of a control hears the pointer: a list's rows and column header besides the list.
QList<QWidget *> partsOf(QWidget *control)
{
    if (auto *list = qobject_cast<ListView *>(control)) {
        return {list, list->viewport(), list->header(), list->header()->viewport()};
    }
    return {control};
}

// A ring in the desktop's highlight colour around the list that has the focus: a list shows the
// focus only on its current entry, and an empty list has none.
class ListFocusRing : public QFocusFrame {
public:
    using QFocusFrame::QFocusFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        // The frame's mask leaves only the ring around the list to paint.
        QPainter(this).fillRect(rect(), palette().highlight());
    }
};

}  // namespace

Form1::Form1(FormServices services, QWidget *parent)
    : QWidget(parent), services_(std::move(services))
{
    if (!services_.homePageDraw) {
        RandomSource &random = services_.random;
        services_.homePageDraw = [&random](int n) { return RandomNumber(n, random); };
    }
    if (!services_.skin) {
        services_.skin = std::make_shared<StyleSheetSkin>();
    }
    ListView2.setCheckable(true);
    listFocusRing_ = new ListFocusRing(this);
    listFocusRing_->hide();  // until a list has the focus, or it would fill its default place
    buildControls();
    watchPointerMoves();
    // Styles draw the focus of a button or the count box only while the keyboard has moved it
    // last; here it shows from the start, and after a click too.
    setAttribute(Qt::WA_KeyboardFocusChange);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == this) {
            setAttribute(Qt::WA_KeyboardFocusChange);
        }
    });
}

Form1::~Form1() = default;

namespace {
template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;
}  // namespace

const std::vector<Form1::Control> &Form1::controls()
{
    using F = Form1;
    // clang-format off
    static const std::vector<Control> table = {
        // name, member, caption, left, top, width, height, Tab place, handler, pointer move
        {"ListView1", ListMember{&F::listView1Widget, &F::ListView1}, nullptr,
         120, 120, 7800, 2535, 1, nullptr, &F::ListView1_MouseMove},
        {"PushButton1", &F::PushButton1, "Add Prefix",
         120, 2750, 3840, 405, 2, &F::PushButton1_Click, &F::PushButton_MouseMove},
        {"PushButton9", &F::PushButton9, "Delete Selected Prefix",
         4080, 2750, 3840, 405, 3, &F::PushButton9_Click, &F::PushButton_MouseMove},
        {"PushButton4", &F::PushButton4, "Load Default Area Code Prefixes",
         120, 3260, 3840, 405, 4, &F::PushButton4_Click, &F::PushButton_MouseMove},
        {"PushButton6", &F::PushButton6, "Clear All Prefixes",
         4080, 3260, 3840, 405, 5, &F::PushButton6_Click, &F::PushButton_MouseMove},
        {"PushButton10", &F::PushButton10, "Load Prefixes From File",
         120, 3770, 3120, 405, 6, &F::PushButton10_Click, &F::PushButton_MouseMove},
        {"PushButton12", &F::PushButton12, "<- ?",
         3360, 3770, 600, 405, 7, &F::PushButton12_Click, &F::PushButton_MouseMove},
        {"PushButton11", &F::PushButton11, "Load Sample Example Prefixes",
         4080, 3770, 3840, 405, 8, &F::PushButton11_Click, &F::PushButton_MouseMove},
        {"PushButton5", &F::PushButton5, "Save Prefixes To File",
         120, 4280, 3840, 405, 9, &F::PushButton5_Click, &F::PushButton_MouseMove},
        {"PushButton14", &F::PushButton14, "Help",
         4080, 4280, 3840, 405, 10, &F::PushButton14_Click, &F::PushButton_MouseMove},
        {"Frame2", &F::Frame2, "Number Of Phone Numbers To Generate",
         120, 4740, 7800, 795, 0, nullptr, &F::Frame2_MouseMove},
        {"Text1", BoxMember{&F::Text1, &F::Frame2}, "200",
         240, 300, 7335, 330, 11, &F::Text1_Change, nullptr},
        {"PushButton2", &F::PushButton2, "Start Generating",
         8040, 120, 7800, 405, 12, &F::PushButton2_Click, &F::PushButton_MouseMove},
        {"ListView2", ListMember{&F::listView2Widget, &F::ListView2}, nullptr,
         8040, 630, 7800, 3375, 13, nullptr, &F::ListView2_MouseMove},
        {"PushButton3", &F::PushButton3, "Save Results As Text File",
         8040, 4095, 3840, 405, 14, &F::PushButton3_Click, &F::PushButton_MouseMove},
        {"PushButton13", &F::PushButton13, "Save Results As Excel File",
         12000, 4095, 3840, 405, 15, &F::PushButton13_Click, &F::PushButton_MouseMove},
        {"PushButton8", &F::PushButton8, "Copy Results To Clipboard",
         8040, 4605, 3840, 405, 16, &F::PushButton8_Click, &F::PushButton_MouseMove},
        {"PushButton7", &F::PushButton7, "Clear List",
         12000, 4605, 3840, 405, 17, &F::PushButton7_Click, &F::PushButton_MouseMove},
        {"ProgressBar1", &F::ProgressBar1, nullptr,
         8040, 5115, 7800, 405, 0, nullptr, nullptr},
    };
    // clang-format on
    return table;
}

QWidget *Form1::widget(const Control &control) const
{
    return std::visit(Overloaded{[this](ListMember m) -> QWidget * { return this->*m.view; },
                                 [this](BoxMember m) -> QWidget * { return this->*m.box; },
                                 [this](auto m) -> QWidget * { return this->*m; }},
                      control.member);
}

void Form1::buildControls()
{
    setFont(arialBold(9));
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    std::map<int, QWidget *> tabOrder;
    for (const Control &c : controls()) {
        const QString caption = QString::fromUtf8(c.caption);
        QWidget *made = std::visit(
            Overloaded{[&](QPushButton *Form1::*m) -> QWidget * {
                           auto *b = this->*m = new QPushButton(caption, this);
                           b->setFont(arialBold(11.25));
                           b->setAutoDefault(false);
                           bind(b, &QPushButton::clicked, c.handler);
                           return b;
                       },
                       [&](ListMember m) -> QWidget * {
                           return this->*m.view = makeList(this, &(this->*m.model));
                       },
                       [&](QGroupBox *Form1::*m) -> QWidget * {
                           return this->*m = new QGroupBox(caption, this);
                       },
                       [&](BoxMember m) -> QWidget * {
                           auto *box = this->*m.box = new QLineEdit(caption, this->*m.frame);
                           bind(box, &QLineEdit::textChanged, c.handler);
                           return box;
                       },
                       [&](ProgressBar *Form1::*m) -> QWidget * {
                           auto *bar = this->*m = new ProgressBar(this);
                           bar->setRange(0, 100);
                           bar->setValue(0);
                           bar->setAlignment(Qt::AlignCenter);
                           bar->setTextVisible(true);
                           bar->setCaption(kIdleProgressText);
                           return bar;
                       }},
            c.member);
        place(made, c.left, c.top, c.width, c.height);
        if (c.tab > 0) {
            tabOrder[c.tab] = made;
        }
    }
    PushButton12->setAccessibleDescription(
        QStringLiteral("Which files Load Prefixes From File can read"));
    // Tab walks the window as it reads: the left half row by row, then the right half.
    for (auto next = tabOrder.begin(); std::next(next) != tabOrder.end(); ++next) {
        setTabOrder(next->second, std::next(next)->second);
    }
    // The prefix list's key presses and double-clicks reach ListView1_KeyDown and
    // ListView1_DblClick through eventFilter.
}

template <typename Sender, typename Signal>
void Form1::bind(Sender *sender, Signal signal, void (Form1::*handler)())
{
    connect(sender, signal, this, [this, handler] { runHandler([&] { (this->*handler)(); }); });
}

QList<QPushButton *> Form1::pushButtons() const
{
    std::map<int, QPushButton *> byNumber;
    for (const Control &c : controls()) {
        if (const auto *m = std::get_if<QPushButton * Form1::*>(&c.member)) {
            byNumber[QByteArray(c.name).mid(int(std::strlen("PushButton"))).toInt()] = this->**m;
        }
    }
    QList<QPushButton *> buttons;
    for (const auto &[number, button] : byNumber) {
        buttons << button;
    }
    return buttons;
}

void Form1::Form_Load()
{
    ErrorTrap trap(desktop(), QStringLiteral("Form_Load"));
    trap.step(100, [&] { ApplySkin(*this, *services_.skin); });
    const QString hand = programFile(kHandCursorFile);
    if (FileExists(hand)) {  // [104], a test that never fails
        trap.step(106, [&] { setMouseIcon(loadCursorFile(hand, devicePixelRatioF())); });
    }
    trap.step(108, [&] { OccasionallyOpenHomePage(desktop(), services_.homePageDraw); });
    trap.step(126, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(productIcon());
        SetApplicationTitle();
    });
    ListView1.addColumn(QStringLiteral("Phone Number Prefixes"), 0);  // [128]
    ListView1.setColumnWidth(1, kListColumnWidth);                    // [130]
    ListView2.addColumn(QStringLiteral("Result/s - No duplicates will be added to this list"),
                        0);                         // [132]
    ListView2.setColumnWidth(1, kListColumnWidth);  // [134]
    restoreSettings(trap);
}

void Form1::showCentred()
{
    if (QScreen *screen = this->screen()) {
        move(openingPosition(screen->availableGeometry(), frameGeometry().size()));
    }
    show();
}

QPoint openingPosition(const QRect &available, const QSize &frame)
{
    const QPoint centred = available.center() - QPoint(frame.width() / 2, frame.height() / 2);
    return {std::max(centred.x(), available.left()), std::max(centred.y(), available.top())};
}

void Form1::setMousePointer(int state)
{
    mousePointer_ = state;
    switch (state) {
        case kPointerBusy:
            setCursor(busyPointer(devicePixelRatioF()));
            break;
        case kPointerArrow:
            setCursor(Qt::ArrowCursor);
            break;
        case kPointerCustom:
            if (mouseIcon_) {
                setCursor(*mouseIcon_);
            } else {
                unsetCursor();
            }
            break;
        default:
            unsetCursor();
            break;
    }
}

void Form1::setMouseIcon(std::optional<QCursor> icon)
{
    mouseIcon_ = std::move(icon);
    setMousePointer(mousePointer_);
}

void Form1::watchPointerMoves()
{
    // Without a pressed button only widgets that track the mouse hear of its moves. The same
    // filter hears the prefix list's keys and double-clicks and both lists' focus (eventFilter).
    QList<QWidget *> parts = {this};
    for (const Control &c : controls()) {
        if (c.pointerMove) {
            parts << partsOf(widget(c));
        }
    }
    for (QWidget *part : parts) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

void Form1::pointerMoved(QObject *watched, const QPoint &at)
{
    // A move that a control passes on to its parent is over that control, not over the
    // background or the frame around it.
    if (watched == this) {
        if (!childAt(at)) {
            Form_MouseMove();
        }
        return;
    }
    for (const Control &c : controls()) {
        auto *part = static_cast<QWidget *>(watched);
        if (c.pointerMove && partsOf(widget(c)).contains(part)) {
            if (!qobject_cast<QGroupBox *>(part) || !part->childAt(at)) {
                (this->*c.pointerMove)();
            }
            return;
        }
    }
}

void Form1::pointerMovedOnto(int target)
{
    const int next = pointerAfterMove(mousePointer_, target);
    if (next != mousePointer_) {
        setMousePointer(next);
    }
}

int Form1::selectedPrefixPosition() const
{
    const QModelIndex current = listView1Widget->selectionModel()->currentIndex();
    const bool selected =
        current.isValid() && listView1Widget->selectionModel()->isRowSelected(current.row(), {});
    if (!selected) {
        throw Failure(QStringLiteral("Object variable or With block variable not set"));
    }
    return current.row() + 1;
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == listView1Widget && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        runHandler([&] { ListView1_KeyDown(key->key(), key->modifiers()); });
    } else if (watched == listView1Widget->viewport() &&
               event->type() == QEvent::MouseButtonDblClick) {
        runHandler([this] { ListView1_DblClick(); });
    } else if (event->type() == QEvent::FocusIn &&
               (watched == listView1Widget || watched == listView2Widget)) {
        listFocusRing_->setWidget(static_cast<QWidget *>(watched));
    } else if (event->type() == QEvent::FocusOut && watched == listFocusRing_->widget()) {
        listFocusRing_->setWidget(nullptr);
    } else if (event->type() == QEvent::MouseMove) {
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        runHandler([&] { pointerMoved(watched, at); });
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A second request to close, during the first one's yield, finds the close under way.
    runHandler([this] {
        closing_ = true;
        Form_QueryUnload();
        Form_Unload();
    });
}
