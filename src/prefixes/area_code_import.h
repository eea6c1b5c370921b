#pragma once

class Form1;

// "Load Default Area Code Prefixes": appends every code of the store areacodes.mdb beside the
// program to the prefix list, in ascending order.
void PushButton4_Click(Form1 &form);
