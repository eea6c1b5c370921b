// What the two lists show on the screen. Seeded random steps of what a user does to the lists go
// through the real window; after each one, the pixels each list left on the screen must be those
// of a view freshly built on the same entries, scrolled to the same place, with the same current
// entry, selection, size and focus. A view that misses a change of its list shows rows that are
// no longer there, or is scrolled past its end, and so differs from the fresh one.
// DIALROSTER_LIST_VIEW_SEED replays another sequence; DIALROSTER_LIST_VIEW_STEPS takes fewer
// steps of it, where each look at the screen is slow (under Wine).
#include "listcontrol/list_view.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <random>

namespace {

constexpr int kSteps = 2000;

// Delivers every event already posted: the list's batched appends, the view's updates and the
// paints they ask for. Each pass may post the next (a batch of rows, then their paint).
void settle()
{
    for (int pass = 0; pass < 4; ++pass) {
        QCoreApplication::processEvents();
    }
}

// The list's inside (header, rows, scroll bars) as it stands on the screen now, not repainted.
QImage onScreen(ListView *list)
{
    const QRect inside = list->contentsRect();
    const QPoint at = list->mapTo(list->window(), inside.topLeft());
    return list->screen()
        ->grabWindow(list->window()->winId(), at.x(), at.y(), inside.width(), inside.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// What a fresh view must be given to stand as `list` stands.
struct ViewState {
    QModelIndex current;
    QItemSelection selection;
    int vertical = 0;
    int horizontal = 0;
    bool focused = false;
};

ViewState stateOf(ListView *list)
{
    return {list->currentIndex(), list->selectionModel()->selection(),
            list->verticalScrollBar()->value(), list->horizontalScrollBar()->value(),
            list->hasFocus()};
}

// What a view as the window builds one shows on the screen, on the same list as `list` and at
// the same place in a window of the same size, so that both are drawn at the same device pixels.
// The state is set after the focus, which on its own would make the first entry current. Another
// model and the style's own delegate stand in where a test gives them, and the view's own drawing
// of itself (QWidget::grab) is handed back too where a test asks for it.
QImage freshViewOf(ListView *list, const ViewState &state, QAbstractItemModel *model = nullptr,
                   QAbstractItemDelegate *delegate = nullptr, QImage *drawn = nullptr)
{
    QWidget window;
    window.resize(list->window()->size());
    auto *view = new ListView(&window);
    view->setModel(model ? model : list->model());
    if (delegate) {
        view->setItemDelegate(delegate);
    }
    view->setSelectionBehavior(list->selectionBehavior());
    view->setSelectionMode(list->selectionMode());
    view->setEditTriggers(list->editTriggers());
    view->setFont(list->font());
    view->setPalette(list->palette());
    view->setColumnWidth(0, list->columnWidth(0));
    view->setGeometry(QRect(list->mapTo(list->window(), QPoint()), list->size()));
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        return {};
    }
    if (state.focused) {
        view->setFocus();
    } else {
        view->clearFocus();
    }
    view->selectionModel()->setCurrentIndex(state.current, QItemSelectionModel::NoUpdate);
    view->selectionModel()->select(state.selection, QItemSelectionModel::ClearAndSelect);
    view->verticalScrollBar()->setValue(state.vertical);
    view->horizontalScrollBar()->setValue(state.horizontal);
    settle();
    if (drawn) {
        *drawn = view->grab().toImage();
    }
    return onScreen(view);
}

class Steps {
public:
    Steps(FormFixture &f, quint32 seed, const QString &listFile)
        : f_(f),
          w_(f.form()),
          random_(seed),
          listFile_(listFile),
          full1_(w_.listView1Widget->size()),
          full2_(w_.listView2Widget->size())
    {
    }

    QString last;  // the step just taken, for the failure message

    void takeOne()
    {
        const int roll = draw(100);
        if (roll < 8) {
            f_.desktop.inputs = {pick({"717", "  717 ", "603-43", "ab\U0001F4DEcd",
                                       "a prefix far wider than its column is, to scroll"})};
            click(w_.PushButton1, "add");
        } else if (roll < 14) {
            click(w_.PushButton11, "load the sample");
        } else if (roll < 16) {
            f_.desktop.fileChoices = {listFile_};
            click(w_.PushButton10, "load a file");
        } else if (roll < 22) {
            click(w_.PushButton9, "delete by button");
        } else if (roll < 30) {
            deleteByKey();
        } else if (roll < 37) {
            at(w_.listView1Widget, "double-click",
               [](QWidget *v, QPoint p) { QTest::mouseDClick(v, Qt::LeftButton, {}, p); });
        } else if (roll < 48) {
            ListView *list = anyList();
            at(list, "click",
               [](QWidget *v, QPoint p) { QTest::mouseClick(v, Qt::LeftButton, {}, p); });
        } else if (roll < 60) {
            const Qt::Key key = pick({Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                                      Qt::Key_Home, Qt::Key_End});
            ListView *list = anyList();
            QTest::keyClick(list, key);
            last = QStringLiteral("key %1 on list %2").arg(key).arg(number(list));
        } else if (roll < 64) {
            QTest::keyClick(w_.listView2Widget, Qt::Key_Space);
            last = QStringLiteral("Space on the results");
        } else if (roll < 70) {
            tickOrUntick();
        } else if (roll < 72) {
            click(w_.PushButton6, "clear the prefixes");
        } else if (roll < 74) {
            click(w_.PushButton7, "clear the results");
        } else if (roll < 80) {
            w_.Text1->setText(QString::number(draw(90)));
            click(w_.PushButton2, "generate " + w_.Text1->text());
        } else if (roll < 88) {
            wheel();
        } else if (roll < 92) {
            ListView *list = anyList();
            QScrollBar *bar =
                draw(4) == 0 ? list->horizontalScrollBar() : list->verticalScrollBar();
            bar->setValue(draw(bar->maximum() + 1));
            last =
                QStringLiteral("scroll bar of list %1 to %2").arg(number(list)).arg(bar->value());
        } else {
            resize();
        }
    }

private:
    int draw(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <typename T>
    T pick(std::initializer_list<T> from)
    {
        return *(from.begin() + draw(int(from.size())));
    }
    QString pick(std::initializer_list<const char *> from)
    {
        return QString::fromUtf8(*(from.begin() + draw(int(from.size()))));
    }
    ListView *anyList() { return draw(2) == 0 ? w_.listView1Widget : w_.listView2Widget; }
    int number(ListView *list) const { return list == w_.listView1Widget ? 1 : 2; }

    void click(QPushButton *button, const QString &what)
    {
        f_.click(button);
        last = what;
    }

    // Somewhere in the list's rows, below the last one too.
    void at(ListView *list, const char *what, void (*act)(QWidget *, QPoint))
    {
        QWidget *v = list->viewport();
        const QPoint p(draw(v->width()), draw(v->height()));
        act(v, p);
        last = QStringLiteral("%1 on list %2 at %3,%4")
                   .arg(what)
                   .arg(number(list))
                   .arg(p.x())
                   .arg(p.y());
    }

    // Delete, with a modifier now and then, and held down as often: its repeats delete too.
    void deleteByKey()
    {
        const Qt::KeyboardModifiers modifiers =
            pick({Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier});
        const int repeats = draw(3) == 0 ? draw(6) : 0;
        QTest::keyPress(w_.listView1Widget, Qt::Key_Delete, modifiers);
        for (int i = 0; i < repeats; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Delete, modifiers, QString(), true);
            QCoreApplication::sendEvent(w_.listView1Widget, &repeat);
        }
        QTest::keyRelease(w_.listView1Widget, Qt::Key_Delete, modifiers);
        last = QStringLiteral("Delete held for %1 repeats").arg(repeats);
    }

    // A click on the check box of a result on the screen.
    void tickOrUntick()
    {
        ListView *list = w_.listView2Widget;
        const QModelIndex index = list->indexAt(QPoint(1, draw(list->viewport()->height())));
        if (!index.isValid()) {
            last = QStringLiteral("no result to tick");
            return;
        }
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = list->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box =
            list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
        last = QStringLiteral("tick result %1").arg(index.row() + 1);
    }

    void wheel()
    {
        ListView *list = anyList();
        QWidget *v = list->viewport();
        const QPointF p(draw(v->width()), draw(v->height()));
        const int delta = pick({-360, -120, 120, 360});
        QWheelEvent event(p, v->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(v, &event);
        last = QStringLiteral("wheel %1 on list %2").arg(delta).arg(number(list));
    }

    // Never beyond the place the window gives it, where the buttons would cover it.
    void resize()
    {
        ListView *list = anyList();
        const QSize full = list == w_.listView1Widget ? full1_ : full2_;
        const QSize size(120 + draw(full.width() - 119), 40 + draw(full.height() - 39));
        list->resize(size);
        last = QStringLiteral("resize list %1 to %2x%3")
                   .arg(number(list))
                   .arg(size.width())
                   .arg(size.height());
    }

    FormFixture &f_;
    Form1 &w_;
    std::mt19937 random_;
    QString listFile_;
    QSize full1_;
    QSize full2_;
};

}  // namespace

class TestListView : public QObject {
    Q_OBJECT
private slots:
    void screenFollowsEveryChange();
    void longEntryShowsAsItsStart();
};

void TestListView::screenFollowsEveryChange()
{
    const quint32 seed = quint32(numberFromEnvironment("DIALROSTER_LIST_VIEW_SEED", 20170405));
    QTemporaryDir files;
    QVERIFY(files.isValid());
    // A list from a Linux editor: forty lines, each ended by LF.
    QByteArray lines;
    for (int i = 0; i < 40; ++i) {
        lines += QByteArray::number(200 + i * 7) + '\n';
    }
    const QString listFile = files.path() + QStringLiteral("/forty.txt");
    writeBytes(listFile, lines);

    // A press on an entry scrolls it fully into view a double-click's time later; that delay
    // would make a step's pixels depend on how long the steps before it took.
    QApplication::setDoubleClickInterval(3600 * 1000);
    FormFixture f;
    Form1 &w = f.form();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    Steps steps(f, seed, listFile);
    const int stepCount = numberFromEnvironment("DIALROSTER_LIST_VIEW_STEPS", kSteps);
    for (int step = 1; step <= stepCount; ++step) {
        steps.takeOne();
        settle();
        for (ListView *list : {w.listView1Widget, w.listView2Widget}) {
            const QImage seen = onScreen(list);
            const QImage expected = freshViewOf(list, stateOf(list));
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            settle();
            if (seen != expected) {
                seen.save(QDir::temp().filePath(QStringLiteral("list-view-seen.png")));
                expected.save(QDir::temp().filePath(QStringLiteral("list-view-expected.png")));
            }
            QVERIFY2(seen == expected,
                     qPrintable(QStringLiteral("step %1 (%2): list %3 of %4 rows differs from a "
                                               "fresh view; images in %5")
                                    .arg(step)
                                    .arg(steps.last)
                                    .arg(list == w.listView1Widget ? 1 : 2)
                                    .arg(list->model()->rowCount())
                                    .arg(QDir::tempPath())));
        }
    }
}

void TestListView::longEntryShowsAsItsStart()
{
    // A list file of one 15 MB line, characters beyond the first plane among them: its row shows
    // what the style itself draws for a row of its first two hundred characters, which run past
    // the column as the whole line does, and the entry keeps every character.
    QString entry;
    while (entry.size() < 15 * 1024 * 1024) {
        entry += QStringLiteral("603-43 800-281-2 717 \U0001F4DE ");
    }
    FormFixture f;
    Form1 &w = f.form();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.ListView1.add(entry);
    settle();
    const QImage seen = onScreen(w.listView1Widget);
    QCOMPARE(w.ListView1.text(1), entry);

    ListModel start;
    start.addColumn(w.ListView1.header(1), 0);
    start.add(entry.left(200));
    start.publish();
    const QImage drawn = w.listView1Widget->grab().toImage();
    QStyledItemDelegate styles;
    QImage expectedDrawn;
    const QImage expected =
        freshViewOf(w.listView1Widget, stateOf(w.listView1Widget), &start, &styles, &expectedDrawn);
    QCOMPARE(seen, expected);
    QCOMPARE(drawn, expectedDrawn);
}

QTEST_MAIN(TestListView)
#include "test_list_view.moc"
