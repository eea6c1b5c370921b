#include "prefixes/prefix_files.h"

#include "mainwindow/form1.h"

void PushButton10_Click(Form1 &) {}

void PushButton12_Click(Form1 &) {}

void PushButton11_Click(Form1 &) {}

void PushButton5_Click(Form1 &) {}
