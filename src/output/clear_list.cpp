// "Clear List": the result list emptied, without a question.
#include "mainwindow/form1.h"

void Form1::PushButton7_Click()
{
    ListView2.clear();  // [100]
}
