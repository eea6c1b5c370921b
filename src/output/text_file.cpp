#include "output/text_file.h"

#include "mainwindow/form1.h"

void PushButton3_Click(Form1 &) {}
