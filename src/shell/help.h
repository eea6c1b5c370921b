#pragma once

#include "shell/desktop.h"

QString helpText();

// "Help"
void PushButton14_Click(Desktop &desktop);
