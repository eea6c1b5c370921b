#pragma once

class Desktop;
class Form1;
class ListModel;

// "Copy Results To Clipboard"
void PushButton8_Click(Form1 &form);
// "Clear List"
void PushButton7_Click(Form1 &form);

// Puts the list's checked entries on the clipboard, one line each, as they were at the moment of
// the call. An empty list leaves the clipboard as it is.
void CopyListToClipboard(const ListModel &list, Desktop &desktop);
