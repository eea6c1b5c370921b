// The window for screen readers and the keyboard alone: what each control tells assistive
// technology, the Tab order, Space on a button, and a focus that can always be seen.
#include "listcontrol/list_view.h"
#include "support/form_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// The controls in the order Tab visits them: the left half row by row, then the right half.
QList<QWidget *> readingOrder(Form1 &w)
{
    return {w.listView1Widget, w.PushButton1,  w.PushButton9,     w.PushButton4, w.PushButton6,
            w.PushButton10,    w.PushButton12, w.PushButton11,    w.PushButton5, w.PushButton14,
            w.Text1,           w.PushButton2,  w.listView2Widget, w.PushButton3, w.PushButton13,
            w.PushButton8,     w.PushButton7};
}

void showActive(Form1 &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// The window's pixels in and just around a control, where its focus is drawn.
QImage around(Form1 &w, QWidget *control)
{
    const QRect inWindow(control->mapTo(&w, QPoint()), control->size());
    return w.grab(inWindow.adjusted(-4, -4, 4, 4)).toImage();
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasItsCaptionAsName();
    void progressBarAnnouncesValueAndCaption();
    void tabWalksInReadingOrder();
    void spacePressesTheFocusedButton();
    void focusIsAlwaysVisible();
    void listRingOnlyAroundTheListWithTheFocus();
    void listEntriesReadAsItems();
    void listsReadAsTables();
};

void TestAccessibility::everyControlHasItsCaptionAsName()
{
    FormFixture f;
    Form1 &w = f.form();
    for (QPushButton *button : w.pushButtons()) {
        QCOMPARE(accessible(button)->role(), QAccessible::Button);
        QCOMPARE(accessible(button)->text(QAccessible::Name), button->text());
    }
    QVERIFY(!accessible(w.PushButton12)->text(QAccessible::Description).isEmpty());

    // The lists are lists to assistive technology ("list" over AT-SPI), named by their column
    // header, and their entries list items that read as their text.
    QCOMPARE(accessible(w.listView1Widget)->role(), QAccessible::List);
    QCOMPARE(accessible(w.listView1Widget)->text(QAccessible::Name),
             QStringLiteral("Phone Number Prefixes"));
    QCOMPARE(accessible(w.listView2Widget)->role(), QAccessible::List);
    QCOMPARE(accessible(w.listView2Widget)->text(QAccessible::Name),
             QStringLiteral("Result/s - No duplicates will be added to this list"));

    QCOMPARE(accessible(w.Frame2)->role(), QAccessible::Grouping);
    QCOMPARE(accessible(w.Frame2)->text(QAccessible::Name),
             QStringLiteral("Number Of Phone Numbers To Generate"));
    QCOMPARE(accessible(w.Text1)->role(), QAccessible::EditableText);
    QCOMPARE(accessible(w.Text1)->text(QAccessible::Name),
             QStringLiteral("Number Of Phone Numbers To Generate"));
    QCOMPARE(accessible(w.Text1)->text(QAccessible::Value), QStringLiteral("200"));

    QAccessibleInterface *bar = accessible(w.ProgressBar1);
    QCOMPARE(bar->role(), QAccessible::ProgressBar);
    QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("Progress Bar"));
    QVERIFY(bar->valueInterface());
    QCOMPARE(bar->valueInterface()->currentValue().toInt(), 0);
    QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 100);

    // Whatever the window shows, a screen reader can name it.
    QAccessibleInterface *window = accessible(&w);
    QCOMPARE(window->text(QAccessible::Name),
             QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface *child = window->child(i);
        if (child->state().invisible) {
            continue;
        }
        QVERIFY2(!child->text(QAccessible::Name).isEmpty(),
                 child->object()->metaObject()->className());
    }
}

void TestAccessibility::progressBarAnnouncesValueAndCaption()
{
    FormFixture f;
    Form1 &w = f.form();
    showActive(w);
    QAccessibleValueInterface *value = accessible(w.ProgressBar1)->valueInterface();

    w.ProgressBar1->setCaption(QStringLiteral("Saving roster.txt"));
    w.ProgressBar1->setPercent(42.7);
    QCOMPARE(accessible(w.ProgressBar1)->text(QAccessible::Name),
             QStringLiteral("Saving roster.txt"));
    QCOMPARE(value->currentValue().toInt(), 42);

    // A screen reader hears of each new value from the bar's own setValue, which also signals
    // valueChanged; the offscreen platform has no bridge to listen on, so the signal stands in
    // for it, and the value is read back as a screen reader reads it.
    w.ProgressBar1->setPercent(0);
    f.addPrefixes({"717"});
    w.Text1->setText(QStringLiteral("3000"));
    QList<int> heard;
    connect(w.ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) {
        QCOMPARE(value->currentValue().toInt(), v);
        heard << v;
    });
    f.click(w.PushButton2);
    QCOMPARE(f.results().size(), 3000);

    // Up from 0 while the run goes on, and back to 0 with its caption at the end.
    QVERIFY2(heard.size() > 10, qPrintable(QString::number(heard.size())));
    QVERIFY(std::is_sorted(heard.begin(), heard.end() - 1));
    QVERIFY(heard[heard.size() - 2] >= 90);
    QCOMPARE(heard.last(), 0);
    QCOMPARE(accessible(w.ProgressBar1)->text(QAccessible::Name), QStringLiteral("Progress Bar"));
}

void TestAccessibility::tabWalksInReadingOrder()
{
    FormFixture f;
    Form1 &w = f.form();
    showActive(w);
    const QList<QWidget *> order = readingOrder(w);
    QCOMPARE(QApplication::focusWidget(), order.first());

    QList<QWidget *> forwards{QApplication::focusWidget()};
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forwards << QApplication::focusWidget();
    }
    QCOMPARE(forwards, order + QList<QWidget *>{order.first()});

    QList<QWidget *> backwards;
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backwards.prepend(QApplication::focusWidget());
    }
    QCOMPARE(backwards, order);
}

void TestAccessibility::spacePressesTheFocusedButton()
{
    FormFixture f;
    Form1 &w = f.form();
    showActive(w);
    for (QWidget *control : readingOrder(w)) {
        auto *button = qobject_cast<QPushButton *>(control);
        if (!button) {
            continue;
        }
        button->setFocus(Qt::TabFocusReason);
        QSignalSpy clicks(button, &QPushButton::clicked);
        QTest::keyClick(button, Qt::Key_Space);
        QVERIFY2(clicks.size() == 1, qPrintable(button->text()));
    }
    // Those presses ran the handlers: the help box, the sample, numbers and the clipboard.
    QVERIFY(f.desktop.messageTexts().contains(QStringLiteral(
        "Questions? Please contact Team Quillane at https://www.quillane.example/contact/")));
}

void TestAccessibility::focusIsAlwaysVisible()
{
    FormFixture f;
    Form1 &w = f.form();
    showActive(w);
    // A click moves the focus without the keyboard, and a second one on the same button does not
    // move it at all; the focus shows all the same.
    f.click(w.PushButton14);
    f.click(w.PushButton14);
    const QImage clicked = around(w, w.PushButton14);
    w.PushButton7->setFocus(Qt::MouseFocusReason);
    QVERIFY(around(w, w.PushButton14) != clicked);

    // Every control, on an empty list as on a full one.
    for (bool filled : {false, true}) {
        if (filled) {
            f.addPrefixes({"717", "603-43"});
            w.ListView2.add(QStringLiteral("717-555-0100"));
            w.ListView1.publish();
            w.ListView2.publish();
        }
        for (QWidget *control : readingOrder(w)) {
            QWidget *elsewhere = control == w.PushButton7 ? w.PushButton8 : w.PushButton7;
            elsewhere->setFocus(Qt::MouseFocusReason);
            const QImage without = around(w, control);
            control->setFocus(Qt::MouseFocusReason);
            QVERIFY(control->hasFocus());
            const QImage with = around(w, control);
            QVERIFY2(with != without, control->metaObject()->className());
        }
    }
}

void TestAccessibility::listRingOnlyAroundTheListWithTheFocus()
{
    FormFixture f;
    Form1 &w = f.form();
    auto *ring = w.findChild<QFocusFrame *>();
    QVERIFY(ring);
    // Shown with the focus elsewhere, as when the window opens behind another: no list has had
    // the focus yet.
    w.PushButton2->setFocus(Qt::OtherFocusReason);
    showActive(w);
    QVERIFY(w.PushButton2->hasFocus());
    QVERIFY(!ring->isVisible());

    for (QWidget *list : {w.listView1Widget, w.listView2Widget}) {
        list->setFocus(Qt::TabFocusReason);
        QVERIFY(ring->isVisible());
        QVERIFY(ring->geometry().contains(list->geometry()));
    }
    w.PushButton2->setFocus(Qt::TabFocusReason);
    QVERIFY(!ring->isVisible());
}

void TestAccessibility::listEntriesReadAsItems()
{
    FormFixture f;
    Form1 &w = f.form();
    w.ListView2.add(QStringLiteral("717-555-0100"));
    w.ListView2.add(QStringLiteral("x"));
    w.ListView2.setChecked(2, false);
    w.ListView2.publish();
    QAccessibleInterface *list = accessible(w.listView2Widget);
    QCOMPARE(list->childCount(), 2);
    QAccessibleInterface *first = list->child(0);
    QCOMPARE(first->role(), QAccessible::ListItem);
    QCOMPARE(first->text(QAccessible::Name), QStringLiteral("717-555-0100"));
    QVERIFY(first->state().checkable && first->state().checked);
    QVERIFY(!list->child(1)->state().checked);
    QCOMPARE(list->indexOfChild(list->child(1)), 1);
    QCOMPARE(first->parent(), list);
    QVERIFY(!list->child(2));
    // An item asked for after its entry went away is gone for a screen reader too.
    const QAccessible::Id firstId = QAccessible::uniqueId(first);
    w.ListView2.clear();
    QVERIFY(!QAccessible::accessibleInterface(firstId));
    QCOMPARE(list->childCount(), 0);
}

// What a screen reader reads of a list besides its items: the table of its rows, each cell read
// from the list when asked for; the current row; and each item staying on its entry as rows come
// and go before it.
void TestAccessibility::listsReadAsTables()
{
    FormFixture f;
    Form1 &w = f.form();
    showActive(w);
    f.addPrefixes({"717", "603-43", "800-281-2", "212"});
    w.ListView1.publish();
    QAccessibleInterface *list = accessible(w.listView1Widget);
    QAccessibleTableInterface *table = list->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->columnCount(), 1);
    QCOMPARE(table->columnDescription(0), QStringLiteral("Phone Number Prefixes"));
    QCOMPARE(table->cellAt(1, 0), list->child(1));
    QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("603-43"));
    QCOMPARE(table->cellAt(1, 0)->tableCellInterface()->rowIndex(), 1);
    QVERIFY(!table->cellAt(4, 0));
    QVERIFY(!table->cellAt(0, 1));

    // The current row, selected, has the focus; the table says which row is selected.
    w.PushButton1->setFocus(Qt::TabFocusReason);
    w.listView1Widget->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.listView1Widget, Qt::Key_Down);
    QCOMPARE(list->focusChild(), table->cellAt(1, 0));
    QVERIFY(table->cellAt(1, 0)->state().focused && table->cellAt(1, 0)->state().selected);
    QCOMPARE(table->selectedRows(), QList<int>{1});
    QVERIFY(table->isRowSelected(1) && !table->isRowSelected(0));

    // Items keep their entries: the one before goes, the one after moves up a row.
    QAccessibleInterface *last = table->cellAt(3, 0);
    const QAccessible::Id removed = QAccessible::uniqueId(table->cellAt(0, 0));
    w.ListView1.remove(1);
    QVERIFY(!QAccessible::accessibleInterface(removed));
    QCOMPARE(last->text(QAccessible::Name), QStringLiteral("212"));
    QCOMPARE(list->indexOfChild(last), 2);
    QCOMPARE(table->cellAt(2, 0), last);
    w.ListView1.add(QStringLiteral("907"));
    w.ListView1.publish();
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->cellAt(2, 0), last);
    QCOMPARE(table->cellAt(3, 0)->text(QAccessible::Name), QStringLiteral("907"));

    // A screen reader's actions do what the keyboard does.
    QAccessibleInterface *result = nullptr;
    w.ListView2.add(QStringLiteral("717-555-0100"));
    w.ListView2.publish();
    result = accessible(w.listView2Widget)->tableInterface()->cellAt(0, 0);
    QVERIFY(result->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::toggleAction()));
    result->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!w.ListView2.checked(1));
    QVERIFY(!result->state().checked);
    table->cellAt(3, 0)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    QVERIFY(w.listView1Widget->hasFocus());
    QCOMPARE(w.selectedPrefixPosition(), 4);
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
