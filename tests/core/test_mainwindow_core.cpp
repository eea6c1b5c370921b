// The window's core: the home-page chance at start-up.
#include "mainwindow/core/home_page.h"
#include "support/scripted_desktop.h"

#include <QtTest>

class TestMainwindowCore : public QObject {
    Q_OBJECT
private slots:
    void homePageOnlyOnSeven();
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

QTEST_MAIN(TestMainwindowCore)
#include "test_mainwindow_core.moc"
