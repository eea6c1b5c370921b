#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <optional>

// The images of a Windows icon or cursor file (.ico, .cur), in the file's order. Qt's reader
// ignores the see-through mask of 16- and 24-bit images and would show those parts black, so the
// mask is applied here.
struct IcoFile {
    bool cursor = false;  // a cursor file, whose images carry hot spots
    QList<QImage> images;
    QList<QPoint> hotSpots;  // a cursor's, image by image; an icon's centre
    int declared = 0;        // the images the file's directory lists, read or not
};

// Nothing when the bytes are no icon or cursor file, or hold no image Qt can read.
std::optional<IcoFile> readIcoFile(const QByteArray &bytes);

// Whether Qt's reader for icon images (its ico image format plugin) is there.
bool icoReaderInstalled();
