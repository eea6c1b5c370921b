#pragma once

#include "lists/list_snapshot.h"
#include "output/core/table_text.h"

#include <QString>

class ProgressDisplay;

// Writes the checked entries of the list to the file at path as a padded text table (UTF-8,
// CR LF): the header line, then a line per checked entry. Any file of that name is replaced, but
// only once the whole table is written, and the progress is shown when given a display.
// beforeEach runs before every entry and cell and around every progress step. Throws Failure
// when the file cannot be written; the file then stays as it was.
void SaveListAsTextFile(const ListSnapshot &list, const QString &path,
                        ProgressDisplay *progress = nullptr, CellHook beforeEach = nullptr);
