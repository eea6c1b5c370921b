#pragma once

#include "lists/list_model.h"
#include "shell/core/progress.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Result lists for the output suites.

inline const QString kResultHeader =
    QStringLiteral("Result/s - No duplicates will be added to this list");

// Number i of a result list, distinct for every i below ten million.
inline QString resultNumber(int i)
{
    return QString::asprintf("555-%03d-%04d", i / 10000 % 1000, i % 10000);
}

inline void addResultNumbers(ListModel &list, int n)
{
    for (int i = 1; i <= n; ++i) {
        list.add(resultNumber(i));
    }
}

// A table line of one cell padded to width.
inline QByteArray paddedLine(const QString &text, int width)
{
    return text.toUtf8() + QByteArray(width - int(text.size()), ' ') + "\t\r\n";
}

// Every value and text a long output shows, in order.
struct ProgressRecorder : ProgressDisplay {
    QList<double> values;
    QStringList texts;
    void setValue(double percent) override { values << percent; }
    void setText(const QString &text) override { texts << text; }
};
