#include "output/spreadsheet_export.h"

#include "mainwindow/form1.h"

void PushButton13_Click(Form1 &) {}
