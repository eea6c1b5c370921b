#pragma once

class Form1;

// "Copy Results To Clipboard"
void PushButton8_Click(Form1 &form);
// "Clear List"
void PushButton7_Click(Form1 &form);
