#pragma once

class Form1;

// "Save Results As Text File"
void PushButton3_Click(Form1 &form);
