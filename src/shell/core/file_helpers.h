#pragma once

#include <QString>

// The folder that holds the program's executable, without a trailing separator (except at a
// root).
QString ProgramFolder();
// The program folder, a separator and a name relative to it ("x/o.cjs" and the like), joined as
// they are: at a root the separator is doubled, which still names the same file.
QString programFile(const QString &relativeName);
// Tests point the program folder elsewhere; the empty text restores the real one.
void setProgramFolder(const QString &folder);

// True when the path names an existing file or folder, readable or not; never fails.
bool FileExists(const QString &path);
// True when listing the path's folder shows a plain file matching the path: not hidden, not a
// folder, not a device or pipe. The last part of the path may hold the wildcards * and ?.
// Never fails.
bool FileListed(const QString &path);
