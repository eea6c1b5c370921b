#include "output/clipboard.h"

#include "mainwindow/form1.h"

void PushButton8_Click(Form1 &) {}

void PushButton7_Click(Form1 &) {}
