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
    QIcon icon;
    if (const std::optional<IcoFile> ico = readIcoFile(file.readAll())) {
        for (const QImage &image : ico->images) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}
