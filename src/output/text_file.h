#pragma once

#include <QString>

class Form1;
class ListModel;
class ProgressDisplay;

// "Save Results As Text File"
void PushButton3_Click(Form1 &form);

// Writes the list's checked entries to the file at path as a padded text table (UTF-8, CR LF),
// replacing any file of that name, and shows the progress when given a display. The entries are
// those of the moment of the call. Throws Failure when the file cannot be written; the file then
// stays as it was.
void SaveListAsTextFile(const ListModel &list, const QString &path,
                        ProgressDisplay *progress = nullptr);
