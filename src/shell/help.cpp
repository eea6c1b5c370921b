#include "shell/help.h"

#include "shell/app_title.h"
#include "shell/error_trap.h"

QString helpText()
{
    return QStringLiteral("Questions? Please contact Team Quillane at ") + kContactPage;
}

void PushButton14_Click(Desktop &desktop)
{
    ErrorTrap trap(desktop, QStringLiteral("PushButton14_Click"));
    trap.step(100, [&] { desktop.message(helpText()); });
}
