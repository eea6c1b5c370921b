#include "silent_desktop.h"

#include "shell/core/failure.h"

MessageAnswer SilentDesktop::showMessage(const QString &, const QString &, MessageButtons,
                                         MessageIcon)
{
    ++messages;
    return MessageAnswer::Yes;
}

std::optional<QString> SilentDesktop::showInput(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

std::unique_ptr<Spreadsheet> SilentDesktop::createSpreadsheet()
{
    throw Failure(QStringLiteral("no spreadsheet program"));
}
