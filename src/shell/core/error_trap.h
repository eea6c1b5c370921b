#pragma once

#include "shell/core/desktop.h"
#include "shell/core/yield.h"

#include <QString>
#include <exception>
#include <utility>

// The text of the "Application Error" box for a failed step of a handler.
QString errorReportText(const QString &description, const QString &handler, int step);

// Runs a handler's numbered steps: a step that throws is reported with the "Application Error"
// box and the handler goes on with its next step.
//
// A step's number is what the user reads in that box as "at line N", and what a screenshot sent
// to support names, so the numbers stay as they are whatever the code around them becomes. Only a
// statement that can fail is run as a step; the others keep their numbers as comments, [N], so
// the handler still reads as its numbered steps.
class ErrorTrap {
public:
    ErrorTrap(Desktop &desktop, QString handler) : desktop_(desktop), handler_(std::move(handler))
    {
    }

    // Returns false when the step failed (after the report was closed).
    template <typename Body>
    bool step(int number, Body &&body)
    {
        last_ = number;
        try {
            std::forward<Body>(body)();
            return true;
        } catch (const LoopsEnded &) {
            throw;  // the program's end is no failure of the step
        } catch (const std::exception &e) {
            report(QString::fromUtf8(e.what()));
        } catch (...) {
            report(QStringLiteral("Unknown failure"));
        }
        return false;
    }

    void report(const QString &description) const;

private:
    Desktop &desktop_;
    QString handler_;
    int last_ = 0;
};
