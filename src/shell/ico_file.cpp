#include "shell/ico_file.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// Little-endian fields, read byte by byte inside the bounds that the callers check.
quint32 readWord(const QByteArray &b, qint64 at)
{
    return quint32(quint8(b.at(at))) | quint32(quint8(b.at(at + 1))) << 8;
}

quint32 readDword(const QByteArray &b, qint64 at)
{
    return readWord(b, at) | readWord(b, at + 2) << 16;
}

// Clears the pixels that the AND mask of the icon's image `index` marks as see-through, for the
// bitmap depths that carry no alpha of their own and have no palette.
void applyMask(const QByteArray &ico, int index, QImage &image)
{
    const qint64 entry = 6 + 16 * qint64(index);
    if (entry + 16 > ico.size()) {
        return;
    }
    const qint64 offset = readDword(ico, entry + 12);
    if (offset + 40 > ico.size() || ico.mid(offset, 4) == QByteArray("\x89PNG")) {
        return;
    }
    const qint64 headerSize = readDword(ico, offset);
    const qint64 width = qint32(readDword(ico, offset + 4));
    const qint64 height = qint32(readDword(ico, offset + 8)) / 2;
    const int bits = int(readWord(ico, offset + 14));
    if ((bits != 16 && bits != 24) || width != image.width() || height != image.height()) {
        return;
    }
    const qint64 colourRow = (width * bits + 31) / 32 * 4;
    const qint64 maskRow = (width + 31) / 32 * 4;
    const qint64 mask = offset + headerSize + colourRow * height;
    if (mask + maskRow * height > ico.size()) {
        return;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(ico.constData()) + mask +
                          (height - 1 - y) * maskRow;  // bottom-up, like the colours
        auto *pixels = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (row[x / 8] & (0x80 >> (x % 8))) {
                pixels[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
}

constexpr qint64 kDirectorySize = 6;
constexpr qint64 kEntrySize = 16;

}  // namespace

QList<QImage> readIcoImages(const QByteArray &bytes)
{
    QList<QImage> images;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i)) {
            break;
        }
        QImage image = reader.read();
        if (!image.isNull()) {
            applyMask(bytes, i, image);
            images.append(image);
        }
    }
    return images;
}

int icoImagesListed(const QByteArray &bytes)
{
    // Reserved 0, type 1 (icon) or 2 (cursor), then the count.
    if (bytes.size() < kDirectorySize + kEntrySize || readWord(bytes, 0) != 0 ||
        (readWord(bytes, 2) != 1 && readWord(bytes, 2) != 2)) {
        return 0;
    }
    return int(readWord(bytes, 4));
}

QPoint cursorHotSpot(const QByteArray &bytes, int index)
{
    // A cursor keeps its hot spot where an icon keeps its planes and bit count.
    const qint64 entry = kDirectorySize + kEntrySize * qint64(index);
    if (icoImagesListed(bytes) == 0 || readWord(bytes, 2) != 2 ||
        entry + kEntrySize > bytes.size()) {
        return {-1, -1};
    }
    return {int(readWord(bytes, entry + 4)), int(readWord(bytes, entry + 6))};
}

bool icoReaderInstalled()
{
    return QImageReader::supportedImageFormats().contains("ico");
}
