// The window on small and dense screens and under dark themes: where it opens, the hand pointer
// at every scale, and captions that stay readable on a dark palette.
#include "listcontrol/list_view.h"
#include "shell/cursor_file.h"
#include "support/form_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <cmath>

namespace {

// The hand the build draws beside the program.
QString shippedHand()
{
    return QFINDTESTDATA("../HAND-M.CUR");
}

// A dark desktop's palette: light text on dark grounds, a blue highlight.
QPalette darkPalette()
{
    QPalette dark(QColor(60, 60, 60), QColor(45, 45, 45));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        dark.setColor(group, QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(group, QPalette::Text, QColor(230, 230, 230));
        dark.setColor(group, QPalette::ButtonText, QColor(230, 230, 230));
        dark.setColor(group, QPalette::Base, QColor(30, 30, 30));
        dark.setColor(group, QPalette::AlternateBase, QColor(40, 40, 40));
        dark.setColor(group, QPalette::Highlight, QColor(38, 79, 120));
        dark.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
    }
    return dark;
}

// Relative luminance and contrast ratio, as the web content accessibility guidelines define them.
double luminance(QColor colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a line of text against its ground, in a part of a picture that holds only
// the two: the ground is the part's commonest colour, the text the colour farthest from it (the
// core of a glyph's stroke, where smoothing leaves the text colour itself).
double textContrast(const QImage &image, const QRect &part)
{
    QHash<QRgb, int> counts;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    QRgb ground = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            ground = it.key();
        }
    }
    double farthest = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        farthest = std::max(farthest, contrast(QColor(ground), QColor(it.key())));
    }
    return farthest;
}

// Where a control draws one line of text, in the window's coordinates: as wide as the text,
// aligned in `within` (the control's own coordinates) as the control aligns it.
QRect textPlace(QWidget *window, QWidget *control, const QRect &within, const QString &text,
                Qt::Alignment alignment)
{
    const QFontMetrics metrics(control->font());
    const QSize size(metrics.horizontalAdvance(text), metrics.height());
    const QRect place =
        QStyle::alignedRect(Qt::LeftToRight, alignment | Qt::AlignVCenter, size, within);
    return place.translated(control->mapTo(window, QPoint()))
        .intersected(within.translated(control->mapTo(window, QPoint())));
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
    void captionsReadableOnDarkPalette();
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

void TestScreens::captionsReadableOnDarkPalette()
{
    const QString styleBefore = QApplication::style()->name();
    const QPalette paletteBefore = QApplication::palette();
    const auto restore = qScopeGuard([&] {
        QApplication::setStyle(QStyleFactory::create(styleBefore));
        QApplication::setPalette(paletteBefore);
    });
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkPalette());

    FormFixture f;
    Form1 &w = f.form();
    f.addPrefixes({"717", "603-43"});
    w.ListView2.add(QStringLiteral("717-555-0100"));
    w.ListView1.publish();
    w.ListView2.publish();
    w.listView1Widget->setCurrentIndex(w.ListView1.index(1, 0));  // a selected entry too
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    struct Caption {
        QString what;
        QRect place;
    };
    QList<Caption> captions;
    const auto inset = [](QWidget *control) { return control->rect().adjusted(4, 3, -4, -3); };
    for (QPushButton *button : w.pushButtons()) {
        captions.append({button->text(),
                         textPlace(&w, button, inset(button), button->text(), Qt::AlignHCenter)});
    }
    captions.append(
        {w.Frame2->title(),
         textPlace(&w, w.Frame2, QRect(0, 0, w.Frame2->width(), w.Text1->geometry().top() - 1),
                   w.Frame2->title(), Qt::AlignLeft)});
    captions.append({QStringLiteral("count box"),
                     textPlace(&w, w.Text1, inset(w.Text1), w.Text1->text(), Qt::AlignLeft)});
    for (ListView *list : {w.listView1Widget, w.listView2Widget}) {
        QHeaderView *header = list->header();
        const QString title = list->model()->headerData(0, Qt::Horizontal).toString();
        captions.append(
            {title,
             textPlace(&w, header, QRect(2, 1, header->sectionSize(0) - 4, header->height() - 2),
                       title, Qt::AlignLeft)});
        // The entries; the result list's start behind their check boxes.
        const int box = list == w.listView2Widget
                            ? list->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8
                            : 0;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            const QRect rect = list->visualRect(index).adjusted(box, 0, 0, 0);
            captions.append(
                {index.data().toString(),
                 textPlace(&w, list->viewport(), rect, index.data().toString(), Qt::AlignLeft)});
        }
    }
    // The bar's caption over its empty ground, then over a full bar.
    const QRect barText = textPlace(&w, w.ProgressBar1, inset(w.ProgressBar1),
                                    w.ProgressBar1->caption(), Qt::AlignHCenter);
    const QImage empty = w.grab().toImage();
    w.ProgressBar1->setPercent(100);
    const QImage full = w.grab().toImage();

    for (const Caption &caption : captions) {
        const double ratio = textContrast(empty, caption.place);
        QVERIFY2(ratio >= 4.5,
                 qPrintable(QStringLiteral("%1: %2 : 1").arg(caption.what).arg(ratio)));
    }
    for (const QImage &bar : {empty, full}) {
        const double ratio = textContrast(bar, barText);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("progress bar: %1 : 1").arg(ratio)));
    }
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
