#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>

// Windows icon and cursor files (.ico, .cur) are read by Qt's own reader, its ico image format
// plugin. What it leaves out is read here from the file's bytes: the see-through mask of 16- and
// 24-bit images, which it would show black, and a cursor's hot spots.

// The images of the file in its order, each as Qt's reader gives it with its mask applied; an
// image the reader cannot read is left out.
QList<QImage> readIcoImages(const QByteArray &bytes);

// How many images the file's directory lists; 0 when the bytes are no icon or cursor file.
int icoImagesListed(const QByteArray &bytes);

// The hot spot of the directory's image `index` in a cursor file; in an icon file (-1, -1), which
// QCursor takes as the centre.
QPoint cursorHotSpot(const QByteArray &bytes, int index);

// Whether Qt's reader for icon images (its ico image format plugin) is there.
bool icoReaderInstalled();
