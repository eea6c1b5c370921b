#pragma once

#include <QString>

class Desktop;
class ListModel;

// Appends the entries of a list file to the list. A file that gives none (missing, a folder or a
// device, too large to be a list) is told in a box and adds nothing; a file that cannot be read
// throws Failure and adds nothing.
void LoadTextFileIntoList(ListModel &list, const QString &path, Desktop &desktop);
