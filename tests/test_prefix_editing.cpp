// Adding, deleting and clearing prefixes through the real window.
#include "listcontrol/list_view.h"
#include "shell/core/app_title.h"
#include "support/form_fixture.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList kSample = {"717", "603-43", "800-281-2"};

void selectPrefix(Form1 &w, int position)
{
    w.ListView1.publish();
    w.listView1Widget->setCurrentIndex(w.ListView1.index(position - 1, 0));
}

void pressKey(Form1 &w, int key, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
    QCoreApplication::sendEvent(w.listView1Widget, &press);
}

void doubleClickPrefix(Form1 &w, int position)
{
    w.ListView1.publish();
    const QRect row = w.listView1Widget->visualRect(w.ListView1.index(position - 1, 0));
    QTest::mouseDClick(w.listView1Widget->viewport(), Qt::LeftButton, {}, row.center());
}

}  // namespace

class TestPrefixEditing : public QObject {
    Q_OBJECT
private slots:
    void addKeepsTextAsTypedAndCancelAddsNothing();
    void eachDeletionRemovesTheSelectedEntry_data();
    void eachDeletionRemovesTheSelectedEntry();
    void heldDeleteKeyGoesOnDeleting();
    void deletionGuardsAndClear();
};

void TestPrefixEditing::addKeepsTextAsTypedAndCancelAddsNothing()
{
    FormFixture f;
    f.desktop.inputs = {QStringLiteral("  717 "), std::nullopt, QString(""), QStringLiteral("717"),
                        QStringLiteral("717")};
    for (int i = 0; i < 5; ++i) {
        f.click(f.form().PushButton1);
    }
    QCOMPARE(f.prefixes(), (QStringList{"  717 ", "717", "717"}));
    QCOMPARE(f.desktop.calls.size(), 5);
    QCOMPARE(f.desktop.calls.first().text, QStringLiteral("Enter Prefix to add: |"));
    QCOMPARE(f.desktop.calls.first().title, applicationTitle());
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixEditing::eachDeletionRemovesTheSelectedEntry_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"button", "Delete", "Shift+Delete", "Ctrl+Delete", "double-click"}) {
        QTest::newRow(how) << QString::fromLatin1(how);
    }
}

void TestPrefixEditing::eachDeletionRemovesTheSelectedEntry()
{
    QFETCH(QString, how);
    FormFixture f;
    Form1 &w = f.form();
    f.addPrefixes(kSample);
    selectPrefix(w, 2);
    if (how == QLatin1String("button")) {
        f.click(w.PushButton9);
    } else if (how == QLatin1String("double-click")) {
        doubleClickPrefix(w, 2);
    } else {
        pressKey(w, Qt::Key_Delete,
                 how.startsWith(QLatin1String("Shift"))  ? Qt::ShiftModifier
                 : how.startsWith(QLatin1String("Ctrl")) ? Qt::ControlModifier
                                                         : Qt::NoModifier);
    }
    QCOMPARE(f.prefixes(), (QStringList{"717", "800-281-2"}));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixEditing::heldDeleteKeyGoesOnDeleting()
{
    FormFixture f;
    f.addPrefixes({"a", "b", "c", "d"});
    selectPrefix(f.form(), 2);
    pressKey(f.form(), Qt::Key_Delete);
    pressKey(f.form(), Qt::Key_Delete, {}, true);
    QCOMPARE(f.prefixes(), (QStringList{"a", "d"}));
    for (int i = 0; i < 3; ++i) {  // past the last entry, then on an empty list
        pressKey(f.form(), Qt::Key_Delete, {}, true);
    }
    QVERIFY(f.prefixes().isEmpty());
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixEditing::deletionGuardsAndClear()
{
    FormFixture f;
    Form1 &w = f.form();
    // An empty list: nothing happens, nothing is shown.
    f.click(w.PushButton9);
    f.click(w.PushButton6);
    pressKey(w, Qt::Key_Delete);
    w.ListView1_DblClick();
    QVERIFY(f.desktop.calls.isEmpty());

    f.addPrefixes(kSample);
    selectPrefix(w, 1);
    pressKey(w, Qt::Key_Backspace);
    // While a long action runs the key and the double-click are held off; the button is not.
    w.setMousePointer(kPointerBusy);
    pressKey(w, Qt::Key_Delete);
    doubleClickPrefix(w, 1);
    QCOMPARE(f.prefixes(), kSample);
    f.click(w.PushButton9);
    QCOMPARE(f.prefixes(), (QStringList{"603-43", "800-281-2"}));
    w.setMousePointer(kPointerDefault);

    // Entries but none selected: the key and the double-click do nothing, the button reports.
    w.listView1Widget->selectionModel()->clear();
    pressKey(w, Qt::Key_Delete);
    w.ListView1_DblClick();
    QVERIFY(f.desktop.messages().isEmpty());
    f.click(w.PushButton9);
    QCOMPARE(f.prefixes(), (QStringList{"603-43", "800-281-2"}));
    QCOMPARE(f.desktop.messages().size(), 1);
    QCOMPARE(f.desktop.messages().first().title, QStringLiteral("Application Error"));
    QVERIFY(f.desktop.messages().first().text.contains(
        QStringLiteral("in Dialforge2017/04/05.Form1.PushButton9_Click at line 102\r\r")));

    f.click(w.PushButton6);
    QVERIFY(f.prefixes().isEmpty());
    QCOMPARE(f.desktop.messages().size(), 1);
}

QTEST_MAIN(TestPrefixEditing)
#include "test_prefix_editing.moc"
