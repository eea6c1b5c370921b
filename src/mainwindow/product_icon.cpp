#include "mainwindow/product_icon.h"

#include "shell/ico_file.h"

#include <QFile>
#include <QPixmap>

QIcon productIcon()
{
    QFile file(QStringLiteral(":/icons/dialroster.ico"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The 32-pixel image is 24-bit: without its mask, which Qt's reader ignores, its corners
    // would show black.
    QIcon icon;
    for (const QImage &image : readIcoImages(file.readAll())) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
