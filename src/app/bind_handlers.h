#pragma once

#include "mainwindow/form1.h"

#include <memory>

// The main window with every button, key and double-click bound to its handler. Without a skin
// component it gets ours, which reads style sheets.
std::unique_ptr<Form1> makeMainWindow(Desktop &desktop,
                                      std::shared_ptr<SkinComponent> skin = nullptr);
