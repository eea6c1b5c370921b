#pragma once

#include "mainwindow/form1.h"

#include <memory>

// The main window with every button, key and double-click bound to its handler.
std::unique_ptr<Form1> makeMainWindow(Desktop &desktop);
