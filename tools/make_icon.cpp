// Renders the product icon from its SVG drawing into the window icon file and the PNGs of the
// desktop's icon theme.
//
//   make_icon <drawing.svg> <icon.ico> <theme folder> <size>...
//
// The .ico holds four images in this order: 32x32 in 24-bit colour with a transparency mask,
// then 256x256, 128x128 and 48x48 in 32-bit colour with alpha. The 256 image is stored as PNG,
// as desktop icon files usually do, the others as bitmaps. Each <size> gives
// <theme folder>/<size>x<size>/apps/dialroster.png.

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct IconImage {
    int size;
    int bitsPerPixel;
    bool png;
};

// The order is part of the icon's contract: the 24-bit image comes first.
const IconImage kIconImages[] = {
    {32, 24, false}, {256, 32, true}, {128, 32, false}, {48, 32, false}};

void fail(const QString &message)
{
    std::fprintf(stderr, "make_icon: %s\n", qPrintable(message));
    std::exit(1);
}

QImage render(QSvgRenderer &drawing, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawing.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void put16(QByteArray &out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void put32(QByteArray &out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

// A bitmap as an icon stores it: a header with twice the height (colour plus mask), the colour
// rows bottom-up, then the 1-bit AND mask (1 = see through), each row padded to 4 bytes.
QByteArray iconBitmap(const QImage &image, int bitsPerPixel)
{
    const int size = image.width();
    const int colourRow = ((size * bitsPerPixel / 8) + 3) & ~3;
    const int maskRow = ((size + 31) / 32) * 4;

    QByteArray out;
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, 0);  // no compression
    put32(out, (colourRow + maskRow) * size);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Without an alpha channel a pixel is either drawn or left out; half-covered edges are drawn.
    const auto seeThrough = [](QRgb pixel) { return qAlpha(pixel) < 128; };
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            const QRgb p = pixels[x];
            char *at = row.data() + x * bitsPerPixel / 8;
            if (bitsPerPixel == 24 && seeThrough(p)) {
                continue;  // black under a set mask bit leaves the background as it is
            }
            at[0] = char(qBlue(p));
            at[1] = char(qGreen(p));
            at[2] = char(qRed(p));
            if (bitsPerPixel == 32) {
                at[3] = char(qAlpha(p));
            }
        }
        out.append(row);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (seeThrough(pixels[x])) {
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        fail(QStringLiteral("cannot encode a PNG image"));
    }
    return out;
}

QByteArray iconFile(QSvgRenderer &drawing)
{
    std::vector<QByteArray> images;
    for (const IconImage &wanted : kIconImages) {
        const QImage image = render(drawing, wanted.size);
        images.push_back(wanted.png ? pngBytes(image) : iconBitmap(image, wanted.bitsPerPixel));
    }

    const int count = int(images.size());
    QByteArray out;
    put16(out, 0);  // reserved
    put16(out, 1);  // an icon, not a cursor
    put16(out, quint16(count));
    quint32 offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        const IconImage &wanted = kIconImages[i];
        const char side = char(wanted.size >= 256 ? 0 : wanted.size);  // 0 stands for 256
        out.append(side);
        out.append(side);
        out.append('\0');  // no palette
        out.append('\0');
        put16(out, 1);  // colour planes
        put16(out, quint16(wanted.bitsPerPixel));
        put32(out, quint32(images[i].size()));
        put32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray &image : images) {
        out.append(image);
    }
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        fail(QStringLiteral("usage: make_icon <drawing.svg> <icon.ico> <theme folder> <size>..."));
    }
    QSvgRenderer drawing(QString::fromLocal8Bit(argv[1]));
    if (!drawing.isValid()) {
        fail(QStringLiteral("cannot read the drawing %1").arg(QString::fromLocal8Bit(argv[1])));
    }
    writeFile(QString::fromLocal8Bit(argv[2]), iconFile(drawing));

    const QString theme = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            fail(QStringLiteral("not an icon size: %1").arg(QString::fromLocal8Bit(argv[i])));
        }
        writeFile(QStringLiteral("%1/%2x%2/apps/dialroster.png").arg(theme).arg(size),
                  pngBytes(render(drawing, size)));
    }
    return 0;
}
