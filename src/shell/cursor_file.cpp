#include "shell/cursor_file.h"

#include "shell/core/failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

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

QCursor loadCursorFile(const QString &path)
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
        (word(bytes, 2) != 1 && word(bytes, 2) != 2) || word(bytes, 4) == 0) {
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
    const QImage image = reader.read();
    if (image.isNull()) {
        throw notACursor();
    }

    // A cursor keeps its hot spot where an icon keeps its planes and bit count.
    const bool cursor = word(bytes, 2) == 2;
    const int hotX = cursor ? word(bytes, kDirectorySize + 4) : -1;
    const int hotY = cursor ? word(bytes, kDirectorySize + 6) : -1;
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
