#pragma once

#include <QByteArray>
#include <QIcon>

// The product icon, compiled into the program as :/icons/dialroster.ico. Empty in a build that
// leaves the resource out.
QIcon productIcon();

// Every image of an .ico file. Qt's reader ignores the transparency mask of 16- and 24-bit
// images and would show their see-through parts black, so the mask is applied here.
QIcon iconFromIcoData(const QByteArray &ico);
