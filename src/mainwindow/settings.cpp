#include "mainwindow/form1.h"

#include "shell/error_trap.h"

// Start-up steps [136]-[150]: the prefix list and the count box from the settings store.
void Form1::restoreSettings(ErrorTrap &trap)
{
    (void)trap;
}

void Form1::Text1_Change() {}

void Form1::Form_QueryUnload() {}

void Form1::Form_Unload() {}
