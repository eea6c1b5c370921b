#include "prefixes/prefix_editing.h"

#include "mainwindow/form1.h"

void PushButton1_Click(Form1 &) {}

void PushButton9_Click(Form1 &) {}

void PushButton6_Click(Form1 &) {}

void ListView1_KeyDown(Form1 &, int, Qt::KeyboardModifiers) {}

void ListView1_DblClick(Form1 &) {}
