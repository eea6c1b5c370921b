#pragma once

#include <QString>

// What the progress bar shows while no long action runs.
inline const QString kIdleProgressText = QStringLiteral("Progress Bar");

// Where a long action shows how far it has got: the window's progress bar, or a recorder.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // A percentage; fractional, and above 100 after the last entries of a long list.
    virtual void setValue(double percent) = 0;
    virtual void setText(const QString &text) = 0;
};
