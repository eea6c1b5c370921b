#pragma once

#include "generator/core/random_source.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

// Non-overlapping occurrences of find in text, left to right, case-sensitive; 0 for empty find.
int InstrCount(const QString &text, const QString &find);

// Positions in a prefix or a number count whole characters: a character beyond the Basic
// Multilingual Plane, two UTF-16 units, is one character, and nothing is ever put between its two
// halves.

// The UTF-16 units of the character that starts at unit i of text: 2 for a surrogate pair, else 1.
inline qsizetype characterUnits(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

// The number of characters of text.
qsizetype characterCount(QStringView text);

// A prefix without any dash gets dashes before its 4th and 7th characters; one with a dash is
// kept as it is.
QString rebuildPrefix(const QString &prefix);

// Appends random digits, and dashes at the 4th and 8th positions, up to 12 characters.
QString completeNumber(QString rebuilt, RandomSource &source);

// Whether the characters of text, the first standing at 1-based position `from`, are those of the
// form NNN-NNN-NNNN there: a dash at the 4th and 8th, a digit elsewhere.
bool fitsNumberForm(QStringView text, qsizetype from);

// The number of distinct numbers a rebuilt prefix can give is 10 to this power.
int freeDigits(const QString &rebuilt);

// How a rebuilt prefix becomes numbers. When each of its characters is what the form
// NNN-NNN-NNNN has at that place (a digit, a dash at the 4th and 8th), every number it gives is of
// that form: its digits followed by freeDigits() random ones, made without any text at all.
struct PrefixPlan {
    QString rebuilt;
    bool ofNumberForm = false;
    std::uint64_t digits = 0;  // those of the rebuilt prefix, when ofNumberForm
    int freeDigits = 0;
};
PrefixPlan planPrefix(const QString &rebuilt);
// Every prefix of the list rebuilt and planned, in list order: the one parse a run makes of them.
std::vector<PrefixPlan> planPrefixes(const QStringList &prefixes);

// completeNumber for a prefix of the number form, as the digits of the number (number_form.h).
// It draws exactly as completeNumber does, one digit per position.
inline std::uint64_t completeNumberDigits(const PrefixPlan &plan, RandomSource &source)
{
    return source.appendDigits(plan.digits, plan.freeDigits);
}
