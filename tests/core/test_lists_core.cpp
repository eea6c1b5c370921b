// The lists' core: the snapshot of a list as plain rows.
#include "lists/list_model.h"
#include "lists/list_snapshot.h"

#include <QtTest>

class TestListsCore : public QObject {
    Q_OBJECT
private slots:
    void snapshotHoldsTheListAsItStood();
    void countsRowsAndChanges();
};

void TestListsCore::snapshotHoldsTheListAsItStood()
{
    ListModel list;
    list.setCheckable(true);
    list.addColumn(QStringLiteral("A"), 1000);
    list.addColumn(QStringLiteral("B"), 1000);
    for (const char *text : {"1", "2", "3"}) {
        list.add(QString::fromLatin1(text));
    }
    list.setSubItem(2, 1, QStringLiteral("two"));
    list.setChecked(3, false);
    const ListSnapshot s = list.snapshot();
    list.clear();  // later changes do not reach it
    QCOMPARE(s.headers, (QStringList{"A", "B"}));
    QCOMPARE(s.count(), 3);
    QCOMPARE(s.cell(2, 1), QStringLiteral("2"));
    QCOMPARE(s.cell(2, 2), QStringLiteral("two"));
    QCOMPARE(s.cell(1, 2), QString());
    QVERIFY(s.isChecked(1) && !s.isChecked(3));
    QCOMPARE(s.checkedCount(), 2);
}

void TestListsCore::countsRowsAndChanges()
{
    // count() is the list's at once; rowCount() is what views were told of, at the next turn.
    ListModel list;
    list.addColumn(QStringLiteral("A"), 1000);
    const quint64 before = list.changes();
    list.add(QStringLiteral("717-555-0100"));
    list.add(QStringLiteral("a prefix"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.rowCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(list.rowCount(), 2);
    // Every change counts, whoever reads the list meanwhile.
    (void)list.snapshot();
    list.remove(2);
    QCOMPARE(list.changes(), before + 3);

    // A removed text's place goes to the next text: deleting most of a long list of texts keeps
    // no memory of them.
    for (int i = 0; i < 100; ++i) {
        list.add(QStringLiteral("text %1").arg(i));
        list.remove(list.count());
    }
    QCOMPARE(list.snapshot().texts.size(), std::size_t(1));
    QCOMPARE(list.text(1), QStringLiteral("717-555-0100"));
}

QTEST_MAIN(TestListsCore)
#include "test_lists_core.moc"
