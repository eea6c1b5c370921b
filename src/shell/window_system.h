#pragma once

class QWidget;

// What the program asks of the window system that differs from one to the next. Each has its
// file (window_system_x11.cpp where xcb is present, window_system_none.cpp elsewhere); the build
// chooses it, and a function that means nothing on the window system the program runs on does
// nothing.

// Closes the window, as a user's close does, when another program destroys it without asking
// first: the settings are written and the program ends instead of living on without a window.
void closeWhenDestroyedFromOutside(QWidget *window);

// Hands what the program put on the clipboard to the desktop's clipboard manager, so that it
// stays after the program has ended, and waits until the manager has it. For the end of the
// program, after its event loop has returned.
void keepClipboardAfterTheEnd();
