// The lists' core: the snapshot of a list as plain rows.
#include "lists/list_model.h"
#include "lists/list_snapshot.h"

#include <QtTest>

class TestListsCore : public QObject {
    Q_OBJECT
private slots:
    void snapshotHoldsTheListAsItStood();
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

QTEST_MAIN(TestListsCore)
#include "test_lists_core.moc"
