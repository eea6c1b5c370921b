#include "generator/core/numbers.h"

#include "generator/core/random_source.h"

#include <algorithm>

int InstrCount(const QString &text, const QString &find)
{
    if (find.isEmpty()) {
        return 0;
    }
    int count = 0;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, at + find.size())) {
        ++count;
    }
    return count;
}

QString RebuildPrefix(const QString &prefix)
{
    if (InstrCount(prefix, QStringLiteral("-")) != 0) {
        return prefix;
    }
    QString rebuilt;
    rebuilt.reserve(prefix.size() + 2);
    for (qsizetype j = 1; j <= prefix.size(); ++j) {
        if (j == 4 || j == 7) {
            rebuilt += QLatin1Char('-');
        }
        rebuilt += prefix[j - 1];
    }
    return rebuilt;
}

QString CompleteNumber(QString rebuilt, RandomSource &source)
{
    if (rebuilt.size() >= 12) {
        return rebuilt;
    }
    char16_t number[12];
    const qsizetype given = rebuilt.size();
    std::copy_n(rebuilt.utf16(), given, number);
    for (qsizetype j = given + 1; j <= 12; ++j) {
        if (j == 4 || j == 8) {
            number[j - 1] = u'-';
        } else {
            number[j - 1] = char16_t(u'0' + int(RandomNumber(10, source)) - 1);
        }
    }
    return QString(reinterpret_cast<const QChar *>(number), 12);
}

bool FitsNumberForm(const QString &text, qsizetype from)
{
    for (qsizetype j = from; j <= text.size(); ++j) {
        const QChar c = text[j - 1];
        const bool ok = (j == 4 || j == 8) ? c == QLatin1Char('-')
                                           : (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (!ok) {
            return false;
        }
    }
    return true;
}

int FreeDigits(const QString &rebuilt)
{
    int digits = 0;
    for (qsizetype j = rebuilt.size() + 1; j <= 12; ++j) {
        if (j != 4 && j != 8) {
            ++digits;
        }
    }
    return digits;
}

PrefixPlan PlanPrefix(const QString &rebuilt)
{
    PrefixPlan plan;
    plan.rebuilt = rebuilt;
    plan.freeDigits = FreeDigits(rebuilt);
    plan.ofNumberForm = rebuilt.size() <= 12 && FitsNumberForm(rebuilt, 1);
    for (qsizetype j = 1; j <= rebuilt.size() && plan.ofNumberForm; ++j) {
        if (j != 4 && j != 8) {
            plan.digits = plan.digits * 10 + std::uint64_t(rebuilt[j - 1].unicode() - u'0');
        }
    }
    return plan;
}
