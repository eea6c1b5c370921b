#pragma once

#include "shell/core/progress.h"

#include <QProgressBar>

// A progress bar that shows its text as given: no "%p" or "%v" substitution, so a file name
// holding a "%" shows as it is.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget *parent = nullptr) : QProgressBar(parent) {}

    QString text() const override { return caption_; }
    void setCaption(const QString &caption)
    {
        caption_ = caption;
        // A screen reader reads the caption as the bar's name, and its value as the percentage.
        setAccessibleName(caption);
        update();
    }
    QString caption() const { return caption_; }

    // Values are percentages that may be fractional or, at the end of a long list, above 100.
    void setPercent(double value)
    {
        const int v = value >= 100.0 ? 100 : value <= 0.0 ? 0 : int(value);
        if (v != this->value()) {
            // QProgressBar repaints at once on a visible change, which in a long loop means
            // painting the window a hundred times; let the next turn of the event loop do it.
            setUpdatesEnabled(false);
            setValue(v);
            setUpdatesEnabled(true);
            update();
        }
    }

private:
    QString caption_;
};

// The window's bar as the long actions see it; it shows values above 100 as 100.
class BarProgress final : public ProgressDisplay {
public:
    explicit BarProgress(ProgressBar &bar) : bar_(bar) {}
    void setValue(double percent) override { bar_.setPercent(percent); }
    void setText(const QString &text) override { bar_.setCaption(text); }

private:
    ProgressBar &bar_;
};
