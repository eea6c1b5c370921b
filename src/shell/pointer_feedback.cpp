#include "shell/pointer_feedback.h"

#include "shell/failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <algorithm>
#include <vector>

int pointerAfterMove(int current, int target)
{
    return current == kPointerBusy ? current : target;
}

namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;

quint16 word(const QByteArray &bytes, int offset)
{
    // Byte by byte: through a char pointer, g++ in the sanitizer build takes the bytes for Qt's
    // one-byte empty array and warns of reading past it.
    return quint16(quint8(bytes.at(offset)) | quint8(bytes.at(offset + 1)) << 8);
}

}  // namespace

QCursor loadCursorFile(const QString &path, qreal devicePixelRatio)
{
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(QStringLiteral("The pointer image %1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    const auto notACursor = [&] {
        return Failure(QStringLiteral("The pointer image %1 is not a readable cursor file")
                           .arg(QDir::toNativeSeparators(path)));
    };

    // The directory: reserved 0, type 1 (icon) or 2 (cursor), at least one image.
    if (bytes.size() < kDirectorySize + kEntrySize || word(bytes, 0) != 0 ||
        (word(bytes, 2) != 1 && word(bytes, 2) != 2) || word(bytes, 4) == 0 ||
        bytes.size() < kDirectorySize + kEntrySize * word(bytes, 4)) {
        throw notACursor();
    }
    if (!QImageReader::supportedImageFormats().contains("ico")) {
        throw Failure(
            QStringLiteral("No reader for cursor images is installed (Qt's ico image "
                           "format plugin)"));
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");

    // Every image is read, so a damaged file is found whatever the screen.
    struct Image {
        QImage image;
        QPoint hotSpot;
    };
    std::vector<Image> images;
    const bool cursor = word(bytes, 2) == 2;
    for (int i = 0; i < word(bytes, 4); ++i) {
        QImage image = reader.jumpToImage(i) ? reader.read() : QImage();
        if (image.isNull()) {
            throw notACursor();
        }
        // A cursor keeps its hot spot where an icon keeps its planes and bit count.
        const int entry = kDirectorySize + i * kEntrySize;
        const QPoint hotSpot = cursor ? QPoint(word(bytes, entry + 4), word(bytes, entry + 6))
                                      : QPoint(image.width() / 2, image.height() / 2);
        images.push_back({std::move(image), hotSpot});
    }

    // The first image is the pointer at its normal size; a denser screen takes the next larger
    // one drawn for it, or the largest, scaled to the pixels the screen wants.
    const QSize normal = images.front().image.size();
    const QSize wanted = (QSizeF(normal) * devicePixelRatio).toSize();
    const Image *best = nullptr;
    for (const Image &candidate : images) {
        const int width = candidate.image.width();
        if (width >= wanted.width() && (!best || width < best->image.width())) {
            best = &candidate;
        }
    }
    if (!best) {
        best = &*std::max_element(images.begin(), images.end(), [](const auto &a, const auto &b) {
            return a.image.width() < b.image.width();
        });
    }
    QImage image = best->image;
    QPoint hotSpot = best->hotSpot;
    if (image.size() != wanted) {
        const double scale = double(wanted.width()) / image.width();
        // Growing a drawing made of whole pixels keeps its edges sharp without smoothing.
        image = image.scaled(wanted, Qt::IgnoreAspectRatio,
                             scale < 1.0 ? Qt::SmoothTransformation : Qt::FastTransformation);
        hotSpot = (QPointF(hotSpot) * scale).toPoint();
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(double(wanted.width()) / normal.width());
    // Qt on X11 takes the hot spot in the pixels of the image it is given, at any scale.
    return QCursor(pixmap, hotSpot.x(), hotSpot.y());
}
