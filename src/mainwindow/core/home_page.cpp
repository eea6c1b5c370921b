#include "mainwindow/core/home_page.h"

#include "shell/core/app_title.h"

void OccasionallyOpenHomePage(Desktop &desktop, const std::function<double(int)> &randomNumber)
{
    if (int(randomNumber(100)) == 7) {
        OpenWebPage(desktop, kHomePage);
    }
}

void OpenWebPage(Desktop &desktop, const QString &address)
{
    desktop.openUrl(address);
}
