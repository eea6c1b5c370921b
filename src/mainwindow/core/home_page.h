#pragma once

#include "shell/core/desktop.h"

#include <functional>

// Opens the maker's home page on about one start in a hundred.
void OccasionallyOpenHomePage(Desktop &desktop, const std::function<double(int)> &randomNumber);

// Asks the user's default browser to open the address, without waiting for it.
void OpenWebPage(Desktop &desktop, const QString &address);
