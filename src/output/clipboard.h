#pragma once

class Desktop;
class ListModel;

// Puts the list's checked entries on the clipboard, one line each, as they were at the moment of
// the call. An empty list leaves the clipboard as it is.
void CopyListToClipboard(const ListModel &list, Desktop &desktop);
