#pragma once

#include <QIcon>

// The product icon, compiled into the program as :/icons/dialroster.ico. Empty in a build that
// leaves the resource out.
QIcon productIcon();
