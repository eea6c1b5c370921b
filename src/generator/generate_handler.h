#pragma once

class Form1;

// "Start Generating": fills the result list with the requested count of distinct numbers.
void PushButton2_Click(Form1 &form);
