#include "shell/cursor_file.h"

#include "shell/core/failure.h"
#include "shell/ico_file.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

QCursor loadCursorFile(const QString &path)
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
    const std::optional<IcoFile> ico = readIcoFile(file.readAll());
    if (!ico) {
        throw Failure(QStringLiteral("The pointer image %1 is not a readable cursor file")
                          .arg(QDir::toNativeSeparators(path)));
    }
    // An icon file saved under the cursor's name points with its centre.
    const QPoint hot = ico->hotSpots.first();
    return QCursor(QPixmap::fromImage(ico->images.first()), hot.x(), hot.y());
}
