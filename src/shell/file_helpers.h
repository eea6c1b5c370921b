#pragma once

#include <QString>

// The folder that holds the program's executable, without a trailing separator.
QString ProgramFolder();
// The program folder followed by a separator and a name relative to it ("x/o.cjs" and the like).
QString programFile(const QString &relativeName);
// Tests point the program folder elsewhere; the empty text restores the real one.
void setProgramFolder(const QString &folder);

// True when the path names an existing file or folder; never fails.
bool FileExists(const QString &path);
// True when the path names a plain file that a folder listing shows: not hidden, not a folder.
bool FileListed(const QString &path);
