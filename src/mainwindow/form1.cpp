#include "mainwindow/form1.h"

#include "generator/core/random_source.h"
#include "mainwindow/core/home_page.h"
#include "mainwindow/list_view.h"
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

// The list itself, its rows or its column header.
bool isPartOf(const QObject *watched, ListView *list)
{
    return watched == list || watched == list->viewport() || watched == list->header() ||
           watched == list->header()->viewport();
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
    bindHandlers();
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

void Form1::buildControls()
{
    setFont(arialBold(9));
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    listView1Widget = makeList(this, &ListView1);
    place(listView1Widget, 120, 120, 7800, 2535);

    auto button = [this](const char *caption, int left, int top, int width) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setFont(arialBold(11.25));
        b->setAutoDefault(false);
        place(b, left, top, width, 405);
        return b;
    };
    PushButton1 = button("Add Prefix", 120, 2750, 3840);
    PushButton9 = button("Delete Selected Prefix", 4080, 2750, 3840);
    PushButton4 = button("Load Default Area Code Prefixes", 120, 3260, 3840);
    PushButton6 = button("Clear All Prefixes", 4080, 3260, 3840);
    PushButton10 = button("Load Prefixes From File", 120, 3770, 3120);
    PushButton12 = button("<- ?", 3360, 3770, 600);
    PushButton11 = button("Load Sample Example Prefixes", 4080, 3770, 3840);
    PushButton5 = button("Save Prefixes To File", 120, 4280, 3840);
    PushButton14 = button("Help", 4080, 4280, 3840);

    Frame2 = new QGroupBox(QStringLiteral("Number Of Phone Numbers To Generate"), this);
    place(Frame2, 120, 4740, 7800, 795);
    Text1 = new QLineEdit(QStringLiteral("200"), Frame2);
    place(Text1, 240, 300, 7335, 330);

    PushButton2 = button("Start Generating", 8040, 120, 7800);
    listView2Widget = makeList(this, &ListView2);
    place(listView2Widget, 8040, 630, 7800, 3375);
    PushButton3 = button("Save Results As Text File", 8040, 4095, 3840);
    PushButton13 = button("Save Results As Excel File", 12000, 4095, 3840);
    PushButton8 = button("Copy Results To Clipboard", 8040, 4605, 3840);
    PushButton7 = button("Clear List", 12000, 4605, 3840);

    ProgressBar1 = new ProgressBar(this);
    place(ProgressBar1, 8040, 5115, 7800, 405);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setCaption(kIdleProgressText);

    PushButton12->setAccessibleDescription(
        QStringLiteral("Which files Load Prefixes From File can read"));

    // Tab walks the window as it reads: the left half row by row, then the right half.
    const QList<QWidget *> order = {
        listView1Widget, PushButton1,  PushButton9,  PushButton4,  PushButton6, PushButton10,
        PushButton12,    PushButton11, PushButton5,  PushButton14, Text1,       PushButton2,
        listView2Widget, PushButton3,  PushButton13, PushButton8,  PushButton7};
    for (int i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

// Runs a handler for the event loop. Once the window is closing no handler starts any more (the
// close yields once, and a click waiting there would start a whole run), and the loops of a
// handler that the close ended stop here, before they reach the event loop.
template <typename Handler>
void Form1::runHandler(Handler &&handler)
{
    if (closing_) {
        return;
    }
    try {
        handler();
    } catch (const LoopsEnded &) {
    }
}

void Form1::bindHandlers()
{
    connect(Text1, &QLineEdit::textChanged, this,
            [this] { runHandler([this] { Text1_Change(); }); });
    const std::pair<QPushButton *, void (Form1::*)()> clicks[] = {
        {PushButton1, &Form1::PushButton1_Click},   {PushButton2, &Form1::PushButton2_Click},
        {PushButton3, &Form1::PushButton3_Click},   {PushButton4, &Form1::PushButton4_Click},
        {PushButton5, &Form1::PushButton5_Click},   {PushButton6, &Form1::PushButton6_Click},
        {PushButton7, &Form1::PushButton7_Click},   {PushButton8, &Form1::PushButton8_Click},
        {PushButton9, &Form1::PushButton9_Click},   {PushButton10, &Form1::PushButton10_Click},
        {PushButton11, &Form1::PushButton11_Click}, {PushButton12, &Form1::PushButton12_Click},
        {PushButton13, &Form1::PushButton13_Click}, {PushButton14, &Form1::PushButton14_Click},
    };
    for (const auto &[button, handler] : clicks) {
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { runHandler([&] { (this->*handler)(); }); });
    }
    // The prefix list's key presses and double-clicks reach ListView1_KeyDown and
    // ListView1_DblClick through eventFilter.
}

QList<QPushButton *> Form1::pushButtons() const
{
    return {PushButton1,  PushButton2,  PushButton3,  PushButton4, PushButton5,
            PushButton6,  PushButton7,  PushButton8,  PushButton9, PushButton10,
            PushButton11, PushButton12, PushButton13, PushButton14};
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
    // Without a pressed button only widgets that track the mouse hear of its moves. The count
    // box and the progress bar have no feedback and are left out. The same filter hears the
    // prefix list's keys and double-clicks and both lists' focus (eventFilter).
    QList<QWidget *> parts = {this, Frame2};
    for (ListView *list : {listView1Widget, listView2Widget}) {
        parts << list << list->viewport() << list->header() << list->header()->viewport();
    }
    for (QPushButton *button : pushButtons()) {
        parts.append(button);
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
    } else if (watched == Frame2) {
        if (!Frame2->childAt(at)) {
            Frame2_MouseMove();
        }
    } else if (isPartOf(watched, listView1Widget)) {
        ListView1_MouseMove();
    } else if (isPartOf(watched, listView2Widget)) {
        ListView2_MouseMove();
    } else if (auto *button = qobject_cast<QPushButton *>(watched);
               button && pushButtons().contains(button)) {
        PushButton_MouseMove();
    }
}

void Form1::pointerMovedOnto(int target)
{
    const int next = pointerAfterMove(mousePointer_, target);
    if (next != mousePointer_) {
        setMousePointer(next);
    }
}

void Form1::PushButton_MouseMove()
{
    pointerMovedOnto(kPointerCustom);
}

void Form1::Form_MouseMove()
{
    pointerMovedOnto(kPointerDefault);
}

void Form1::ListView1_MouseMove()
{
    pointerMovedOnto(kPointerDefault);
}

void Form1::ListView2_MouseMove()
{
    pointerMovedOnto(kPointerDefault);
}

void Form1::Frame2_MouseMove()
{
    pointerMovedOnto(kPointerDefault);
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
        pointerMoved(watched, static_cast<QMouseEvent *>(event)->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A second request to close, during the first one's yield, finds the close under way.
    if (closing_) {
        return;
    }
    closing_ = true;
    Form_QueryUnload();
    Form_Unload();
}
