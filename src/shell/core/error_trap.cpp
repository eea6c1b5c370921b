#include "shell/core/error_trap.h"

#include "shell/core/app_title.h"

QString errorReportText(const QString &description, const QString &handler, int step)
{
    return description + QStringLiteral("\r\n") + QStringLiteral("in Dialforge2017/04/05.Form1.") +
           handler + QStringLiteral(" ") + QStringLiteral("at line ") + QString::number(step) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           kSupportMail;
}

void ErrorTrap::report(const QString &description) const
{
    desktop_.message(errorReportText(description, handler_, last_), MessageButtons::Ok,
                     MessageIcon::Warning, QStringLiteral("Application Error"));
}
