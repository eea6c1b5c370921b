#include "prefixes/area_code_import.h"

#include "mainwindow/form1.h"

void PushButton4_Click(Form1 &) {}
