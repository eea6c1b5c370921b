#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a file; "<missing>", which no test writes, when it cannot be read.
QByteArray readBytes(const QString &path);

// Writes a file whole, making its folder first; the test fails when it cannot.
void writeBytes(const QString &path, const QByteArray &bytes);
