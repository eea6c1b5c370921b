#pragma once

#include <QString>

class Desktop;
class Form1;
class ListModel;

// "Load Prefixes From File"
void PushButton10_Click(Form1 &form);
// "<- ?"
void PushButton12_Click(Form1 &form);
// "Load Sample Example Prefixes"
void PushButton11_Click(Form1 &form);
// "Save Prefixes To File"
void PushButton5_Click(Form1 &form);

// Appends the entries of a list file to the list. A missing file and a file too large to be a
// list are told in a box and add nothing; a file that cannot be read throws Failure, keeping
// what was added before the failure.
void LoadTextFileIntoList(ListModel &list, const QString &path, Desktop &desktop);

// The path of one of several files chosen in one folder: the folder, a separator and the name,
// with doubled separators made single so that a folder ending in one (a drive's root) does not
// give two. A leading pair is kept, since it starts a network path.
QString joinChosenPath(const QString &folder, const QString &name);
