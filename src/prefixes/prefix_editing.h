#pragma once

#include <Qt>

class Form1;

// "Add Prefix"
void PushButton1_Click(Form1 &form);
// "Delete Selected Prefix"
void PushButton9_Click(Form1 &form);
// "Clear All Prefixes"
void PushButton6_Click(Form1 &form);
// A key pressed in the prefix list.
void ListView1_KeyDown(Form1 &form, int key, Qt::KeyboardModifiers modifiers);
// A double-click in the prefix list.
void ListView1_DblClick(Form1 &form);
