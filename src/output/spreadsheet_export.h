#pragma once

class Form1;

// "Save Results As Excel File"
void PushButton13_Click(Form1 &form);
