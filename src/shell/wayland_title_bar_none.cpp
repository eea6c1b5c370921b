#include "shell/wayland_title_bar.h"

// A build without the Qt Wayland client the title bar is made for: Qt's own title bars.

void useOwnTitleBars() {}
