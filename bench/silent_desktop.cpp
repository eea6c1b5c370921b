#include "silent_desktop.h"

#include "generator/core/random_source.h"
#include "mainwindow/form1.h"
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

std::unique_ptr<Form1> makeBenchWindow(Desktop &desktop)
{
    static RandomSource random(12345);
    return std::make_unique<Form1>(FormServices{desktop, random, [](int) { return 1.0; }});
}
