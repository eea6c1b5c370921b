// The window's core: the home-page chance at start-up, and the list snapshot of plain rows.
#include "mainwindow/core/home_page.h"
#include "mainwindow/core/list_model.h"
#include "mainwindow/core/list_snapshot.h"
#include "support/scripted_desktop.h"

#include <QtTest>

class TestMainwindowCore : public QObject {
    Q_OBJECT
private slots:
    void homePageOnlyOnSeven();
    void snapshotHoldsTheListAsItStood();
};

void TestMainwindowCore::homePageOnlyOnSeven()
{
    for (int x = 1; x <= 100; ++x) {
        ScriptedDesktop desktop;
        OccasionallyOpenHomePage(desktop, [x](int n) { return n == 100 ? double(x) : 1.0; });
        QCOMPARE(desktop.urls.size(), x == 7 ? 1 : 0);
        if (x == 7) {
            QCOMPARE(desktop.urls.first(), QStringLiteral("https://www.quillane.example/"));
        }
    }
}

void TestMainwindowCore::snapshotHoldsTheListAsItStood()
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
    const ListSnapshot s = takeListSnapshot(list);
    list.clear();  // later changes do not reach it
    QCOMPARE(s.headers, (QStringList{"A", "B"}));
    QCOMPARE(s.count(), 3);
    QCOMPARE(s.cell(2, 1), QStringLiteral("2"));
    QCOMPARE(s.cell(2, 2), QStringLiteral("two"));
    QCOMPARE(s.cell(1, 2), QString());
    QVERIFY(s.isChecked(1) && !s.isChecked(3));
    QCOMPARE(s.checkedCount(), 2);
}

QTEST_MAIN(TestMainwindowCore)
#include "test_mainwindow_core.moc"
