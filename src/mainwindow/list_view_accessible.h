#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What a screen reader learns of a ListView: a list named by its column header, whose entries
// are list items that read as their text, checked or not, selected or not, with the focus or
// not. Items are made as they are asked for, so a long list costs nothing until it is read.
QAccessibleInterface *listViewAccessible(const QString &className, QObject *object);
