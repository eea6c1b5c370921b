// The window on small and dense screens and under dark themes: where it opens, the hand pointer
// at every scale, and captions that stay readable on a dark palette.
#include "shell/pointer_feedback.h"
#include "support/form_fixture.h"

#include <QImageReader>
#include <QtTest>

namespace {

// The hand the build draws beside the program.
QString shippedHand()
{
    return QFINDTESTDATA("../HAND-M.CUR");
}

}  // namespace

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void openingPosition_data();
    void openingPosition();
    void handAtEveryScale_data();
    void handAtEveryScale();
    void handDrawnForTwiceTheDensity();
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

void TestScreens::handAtEveryScale_data()
{
    QTest::addColumn<double>("scale");
    for (double scale : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        QTest::newRow(qPrintable(QString::number(scale))) << scale;
    }
}

void TestScreens::handAtEveryScale()
{
    QFETCH(double, scale);
    const QCursor hand = loadCursorFile(shippedHand(), scale);
    const QPixmap pixmap = hand.pixmap();
    const int pixels = qRound(32 * scale);
    // As large on the screen at every scale, in as many pixels as the screen has for it.
    QCOMPARE(pixmap.size(), QSize(pixels, pixels));
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(32, 32));
    // Still pointing with the tip of the index finger: the hot spot is on the tip's outline,
    // in the pixels of the image the screen shows.
    const QImage image = pixmap.toImage();
    const QPoint tip = hand.hotSpot();
    QCOMPARE(tip.y(), 0);
    QVERIFY2(qAbs(tip.x() - 6.5 * scale) <= 1.0, qPrintable(QString::number(tip.x())));
    QVERIFY(image.pixelColor(tip).alpha() > 0);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    if (scale > 2) {
        // Grown beyond its largest drawing, it keeps hard edges rather than blurring.
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = image.pixelColor(x, y).alpha();
                QVERIFY(alpha == 0 || alpha == 255);
            }
        }
    }
}

void TestScreens::handDrawnForTwiceTheDensity()
{
    // At twice the density the screen gets the hand drawn for it, not the small one grown.
    QImageReader reader(shippedHand(), "ico");
    QCOMPARE(reader.imageCount(), 2);
    const QImage small = reader.read();
    QVERIFY(reader.jumpToImage(1));
    QImage large = reader.read();
    large.setDevicePixelRatio(2.0);
    QCOMPARE(small.size(), QSize(32, 32));
    QCOMPARE(large.size(), QSize(64, 64));

    const QImage shown =
        loadCursorFile(shippedHand(), 2.0).pixmap().toImage().convertToFormat(large.format());
    QCOMPARE(shown, large);
    QImage grown = small.scaled(64, 64).convertToFormat(large.format());
    grown.setDevicePixelRatio(2.0);
    QVERIFY(shown != grown);
    QCOMPARE(loadCursorFile(shippedHand(), 2.0).hotSpot(), QPoint(13, 0));
    QCOMPARE(loadCursorFile(shippedHand(), 1.0).hotSpot(), QPoint(6, 0));
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
