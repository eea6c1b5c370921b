#pragma once

class QWidget;

// What the program asks of the window system that differs from one to the next. Each has its
// file (window_system_x11.cpp where xcb is present, window_system_none.cpp elsewhere); the build
// chooses it, and a function that means nothing on the window system the program runs on does
// nothing.

// Closes the window, as a user's close does, when another program destroys it without asking
// first: the settings are written and the program ends instead of living on without a window.
void closeWhenDestroyedFromOutside(QWidget *window);
