#include "prefixes/file_names.h"

#include <algorithm>

QString FileNameFromPath(const QString &path)
{
    // Both separators count, so names the dialog gave in either form are cut alike.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}
