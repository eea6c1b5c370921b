#pragma once

class Form1;

// "Load Default Area Code Prefixes"
void PushButton4_Click(Form1 &form);
