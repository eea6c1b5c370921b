#include "silent_desktop.h"

#include "shell/core/failure.h"

#include <sys/resource.h>

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

double peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}
