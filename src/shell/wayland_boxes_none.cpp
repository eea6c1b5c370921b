#include "shell/wayland_boxes.h"

// A build without Qt's Wayland client: the program talks to no compositor itself.

void sayIsBoxOfItsWindow(QWindow *) {}
