// The window on small and dense screens: where it opens.
#include "support/form_fixture.h"

#include <QtTest>

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void openingPosition_data();
    void openingPosition();
};

void TestScreens::openingPosition_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QPoint>("expected");
    // Where it fits it opens centred, exactly where it always has.
    QTest::newRow("fits") << QRect(0, 0, 1920, 1080) << QSize(1064, 376) << QPoint(427, 351);
    QTest::newRow("fits beside a panel")
        << QRect(64, 0, 1856, 1080) << QSize(1064, 376) << QPoint(459, 351);
    // Scale 1.5 on a 1280 by 800 screen leaves 853 by 533 for a window of 1064 by 376.
    QTest::newRow("too wide") << QRect(0, 0, 853, 533) << QSize(1064, 376) << QPoint(0, 78);
    QTest::newRow("too low") << QRect(0, 27, 1280, 300) << QSize(1064, 376) << QPoint(107, 27);
    QTest::newRow("too large, second screen")
        << QRect(1920, 32, 1366, 736) << QSize(2128, 752) << QPoint(1920, 32);
    QTest::newRow("just fits") << QRect(0, 0, 1064, 376) << QSize(1064, 376) << QPoint(0, 0);
}

void TestScreens::openingPosition()
{
    QFETCH(QRect, available);
    QFETCH(QSize, frame);
    QFETCH(QPoint, expected);
    const QPoint at = ::openingPosition(available, frame);
    QCOMPARE(at, expected);
    // The top-left corner is always on the screen, and the whole window wherever it fits.
    QVERIFY(available.contains(at));
    if (frame.width() <= available.width() && frame.height() <= available.height()) {
        QVERIFY(available.contains(QRect(at, frame)));
    }
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
