#include "shell/cursor_file.h"

#include "shell/core/failure.h"
#include "shell/ico_file.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <algorithm>

QCursor loadCursorFile(const QString &path, qreal devicePixelRatio)
{
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(QStringLiteral("The pointer image %1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    if (!icoReaderInstalled()) {
        throw Failure(
            QStringLiteral("No reader for cursor images is installed (Qt's ico image "
                           "format plugin)"));
    }
    const QByteArray bytes = file.readAll();
    const int listed = icoImagesListed(bytes);
    const QList<QImage> images = listed > 0 ? readIcoImages(bytes) : QList<QImage>();
    // Every image must read, so a damaged file is found whatever the screen; the images are then
    // those the directory lists, in its order.
    if (listed == 0 || images.size() != listed) {
        throw Failure(QStringLiteral("The pointer image %1 is not a readable cursor file")
                          .arg(QDir::toNativeSeparators(path)));
    }

    // The first image is the pointer at its normal size; a denser screen takes the next larger
    // one drawn for it, or the largest, scaled to the pixels the screen wants.
    const QSize normal = images.front().size();
    const QSize wanted = (QSizeF(normal) * devicePixelRatio).toSize();
    qsizetype best = -1;
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int width = images[i].width();
        if (width >= wanted.width() && (best < 0 || width < images[best].width())) {
            best = i;
        }
    }
    if (best < 0) {
        best = std::max_element(
                   images.begin(), images.end(),
                   [](const QImage &a, const QImage &b) { return a.width() < b.width(); }) -
               images.begin();
    }
    QImage image = images[best];
    QPoint hotSpot = cursorHotSpot(bytes, int(best));
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
