#pragma once

#include <QString>

// The file name of a path: the text after its last separator ("\" or "/"), the whole text when
// it holds none, the empty text when it ends with one.
QString FileNameFromPath(const QString &path);
