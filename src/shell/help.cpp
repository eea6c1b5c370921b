// "Help": where to send questions.
#include "shell/help.h"

#include "mainwindow/form1.h"
#include "shell/core/app_title.h"
#include "shell/core/error_trap.h"

QString helpText()
{
    return QStringLiteral("Questions? Please contact Team Quillane at ") + kContactPage;
}

void Form1::PushButton14_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton14_Click"));
    trap.step(100, [&] { desktop().message(helpText()); });
}
