#pragma once

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
