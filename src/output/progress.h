#pragma once

#include <QString>

class ProgressBar;

// Where a long output shows how far it has got: the window's progress bar, or a recorder.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // A percentage; fractional, and above 100 after the last entries of a long list.
    virtual void setValue(double percent) = 0;
    virtual void setText(const QString &text) = 0;
};

// The window's bar, which shows values above 100 as 100.
class BarProgress final : public ProgressDisplay {
public:
    explicit BarProgress(ProgressBar &bar) : bar_(bar) {}
    void setValue(double percent) override;
    void setText(const QString &text) override;

private:
    ProgressBar &bar_;
};
