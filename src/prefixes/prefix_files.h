#pragma once

class Form1;

// "Load Prefixes From File"
void PushButton10_Click(Form1 &form);
// "<- ?"
void PushButton12_Click(Form1 &form);
// "Load Sample Example Prefixes"
void PushButton11_Click(Form1 &form);
// "Save Prefixes To File"
void PushButton5_Click(Form1 &form);
