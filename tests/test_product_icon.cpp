// The product icon: the four images of the .ico in their order, sizes and colour depths, and the
// window showing that icon after start-up.
#include "support/form_fixture.h"

#include <QFile>
#include <QIcon>
#include <QtTest>
#include <iterator>

namespace {

struct Expected {
    int size;
    int bitsPerPixel;
};
const Expected kExpected[] = {{32, 24}, {256, 32}, {128, 32}, {48, 32}};

QByteArray iconBytes()
{
    QFile file(QStringLiteral(DIALROSTER_ICON_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

quint16 word(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | quint8(b.at(at + 1)) << 8);
}

quint32 dword(const QByteArray &b, int at)
{
    return word(b, at) | quint32(word(b, at + 2)) << 16;
}

quint32 bigEndianDword(const QByteArray &b, int at)
{
    quint32 value = 0;
    for (int k = 0; k < 4; ++k) {
        value = value << 8 | quint8(b.at(at + k));
    }
    return value;
}

}  // namespace

class TestProductIcon : public QObject {
    Q_OBJECT
private slots:
    void directoryListsFourImagesInOrder();
    void eachImageIsWhatItsEntrySays();
    void windowIconIsSeeThroughAroundTheTileAtEverySize();
    void windowIconIsSharpAtEveryScale();
};

void TestProductIcon::directoryListsFourImagesInOrder()
{
    const QByteArray b = iconBytes();
    QVERIFY2(b.size() > 6 + 4 * 16, "the icon file is missing or truncated");
    QCOMPARE(word(b, 0), quint16(0));
    QCOMPARE(word(b, 2), quint16(1));  // an icon, not a cursor
    QCOMPARE(word(b, 4), quint16(4));

    quint32 end = 6 + 4 * 16;  // images follow the directory without overlapping
    for (int i = 0; i < int(std::size(kExpected)); ++i) {
        const int entry = 6 + 16 * i;
        const int side = kExpected[i].size == 256 ? 0 : kExpected[i].size;
        QCOMPARE(int(quint8(b[entry])), side);
        QCOMPARE(int(quint8(b[entry + 1])), side);
        QCOMPARE(int(quint8(b[entry + 2])), 0);  // no palette at these depths
        QCOMPARE(word(b, entry + 4), quint16(1));
        QCOMPARE(int(word(b, entry + 6)), kExpected[i].bitsPerPixel);
        const quint32 length = dword(b, entry + 8);
        const quint32 offset = dword(b, entry + 12);
        QVERIFY(offset >= end);
        QVERIFY(quint64(offset) + length <= quint64(b.size()));
        end = offset + length;
    }
}

void TestProductIcon::eachImageIsWhatItsEntrySays()
{
    // The directory alone does not make the icon: readers go by the image's own header.
    const QByteArray b = iconBytes();
    QVERIFY(!b.isEmpty());
    for (int i = 0; i < int(std::size(kExpected)); ++i) {
        const int size = kExpected[i].size;
        const QByteArray image =
            b.mid(int(dword(b, 6 + 16 * i + 12)), int(dword(b, 6 + 16 * i + 8)));
        if (image.startsWith("\x89PNG\r\n\x1a\n")) {
            QCOMPARE(image.mid(12, 4), QByteArray("IHDR"));
            QCOMPARE(int(bigEndianDword(image, 16)), size);
            QCOMPARE(int(bigEndianDword(image, 20)), size);
            QCOMPARE(int(image[24]), 8);  // 8 bits per channel,
            QCOMPARE(int(image[25]), 6);  // red, green, blue and alpha: 32-bit
        } else {
            QCOMPARE(dword(image, 0), quint32(40));
            QCOMPARE(int(dword(image, 4)), size);
            QCOMPARE(int(dword(image, 8)), 2 * size);  // colour and mask
            QCOMPARE(int(word(image, 14)), kExpected[i].bitsPerPixel);
            QCOMPARE(dword(image, 16), quint32(0));
            const int colourRow = (size * kExpected[i].bitsPerPixel / 8 + 3) & ~3;
            const int maskRow = (size + 31) / 32 * 4;
            QCOMPARE(image.size(), 40 + (colourRow + maskRow) * size);
            // The mask lets the desktop through at the rounded corners and not in the middle;
            // rows run bottom-up, so the top row comes last.
            const QByteArray mask = image.mid(40 + colourRow * size);
            const auto seeThrough = [&](int x, int y) {
                return (quint8(mask[(size - 1 - y) * maskRow + x / 8]) & (0x80 >> (x % 8))) != 0;
            };
            QVERIFY(seeThrough(0, 0));
            QVERIFY(seeThrough(size - 1, size - 1));
            QVERIFY(!seeThrough(size / 2, size / 2));
            if (kExpected[i].bitsPerPixel == 24) {
                // Under the mask the colour must be black, or it tints the desktop behind it.
                const int corner = 40 + (size - 1) * colourRow;  // the top row's first pixel
                QCOMPARE(image.mid(corner, 3), QByteArray(3, '\0'));
            }
        }
    }
}

void TestProductIcon::windowIconIsSeeThroughAroundTheTileAtEverySize()
{
    // Each size comes from its own image; the 24-bit one gets its transparency from the mask.
    FormFixture f;
    const QIcon icon = f.form().windowIcon();
    const QList<QSize> sizes = icon.availableSizes();
    QCOMPARE(sizes.size(), 4);
    for (const Expected &expected : kExpected) {
        const int size = expected.size;
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QStringLiteral("no %1").arg(size)));
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // The tile has rounded corners, so they show the desktop through; its middle does not.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size - 1, size - 1)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
    QVERIFY(f.desktop.messages().isEmpty());  // and start-up reported nothing
}

void TestProductIcon::windowIconIsSharpAtEveryScale()
{
    // A title bar on a dense screen asks for its icon in the screen's pixels; an icon never grows
    // its images, so it has them only when it can shrink a larger one.
    FormFixture f;
    const QIcon icon = f.form().windowIcon();
    for (double scale : {1.25, 1.5, 2.0, 3.0}) {
        const QPixmap pixmap = icon.pixmap(QSize(32, 32), scale);
        const int pixels = qRound(32 * scale);
        QCOMPARE(pixmap.size(), QSize(pixels, pixels));
        QCOMPARE(qAlpha(pixmap.toImage().pixel(pixels / 2, pixels / 2)), 255);
    }
}

QTEST_MAIN(TestProductIcon)
#include "test_product_icon.moc"
