#include "output/progress.h"

#include "mainwindow/progress_bar.h"

void BarProgress::setValue(double percent)
{
    bar_.setPercent(percent);
}

void BarProgress::setText(const QString &text)
{
    bar_.setCaption(text);
}
