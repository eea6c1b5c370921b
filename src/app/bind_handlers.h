#pragma once

#include "mainwindow/form1.h"

#include <memory>

// The main window with every button, key and double-click bound to its handler. Without a skin
// component it gets ours, which reads style sheets; without a home-page draw it draws from the
// window's random source.
std::unique_ptr<Form1> makeMainWindow(FormServices services);
