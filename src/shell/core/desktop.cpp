#include "shell/core/desktop.h"

#include "shell/core/app_title.h"

MessageAnswer Desktop::message(const QString &text, MessageButtons buttons, MessageIcon icon,
                               const QString &title)
{
    return showMessage(text, title.isEmpty() ? applicationTitle() : title, buttons, icon);
}

std::optional<QString> Desktop::prompt(const QString &text, const QString &defaultText)
{
    return showInput(text, applicationTitle(), defaultText);
}
