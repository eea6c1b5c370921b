#pragma once

#include "mainwindow/form1.h"
#include "silent_desktop.h"

#include <memory>

// The real window on a silent desktop, bound as the program binds it, whose start-up never opens
// the home page; its draws come from a source with a fixed start and the real clock.
std::unique_ptr<Form1> makeBenchWindow(Desktop &desktop);
