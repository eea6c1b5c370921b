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

qsizetype characterCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i += characterUnits(text, i)) {
        ++count;
    }
    return count;
}

QString rebuildPrefix(const QString &prefix)
{
    if (InstrCount(prefix, QStringLiteral("-")) != 0) {
        return prefix;
    }
    QString rebuilt;
    rebuilt.reserve(prefix.size() + 2);
    qsizetype j = 1;  // the position of the character at unit i
    for (qsizetype i = 0; i < prefix.size(); ++j) {
        if (j == 4 || j == 7) {
            rebuilt += QLatin1Char('-');
        }
        const qsizetype units = characterUnits(prefix, i);
        rebuilt += QStringView(prefix).mid(i, units);
        i += units;
    }
    return rebuilt;
}

QString completeNumber(QString rebuilt, RandomSource &source)
{
    const qsizetype given = characterCount(rebuilt);
    if (given >= 12) {
        return rebuilt;
    }
    // At most 11 characters of two units each, and one unit for each position appended.
    char16_t number[23];
    char16_t *out = std::copy_n(rebuilt.utf16(), rebuilt.size(), number);
    for (qsizetype j = given + 1; j <= 12; ++j) {
        if (j == 4 || j == 8) {
            *out++ = u'-';
        } else {
            *out++ = char16_t(u'0' + int(RandomNumber(10, source)) - 1);
        }
    }
    return QString(reinterpret_cast<const QChar *>(number), out - number);
}

bool fitsNumberForm(QStringView text, qsizetype from)
{
    // A unit of a surrogate pair is neither a digit nor a dash, so the walk ends at the first
    // such character, before positions and units could part.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype j = from + i;
        const QChar c = text[i];
        const bool ok = (j == 4 || j == 8) ? c == QLatin1Char('-')
                                           : (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (!ok) {
            return false;
        }
    }
    return true;
}

int freeDigits(const QString &rebuilt)
{
    int digits = 0;
    for (qsizetype j = characterCount(rebuilt) + 1; j <= 12; ++j) {
        if (j != 4 && j != 8) {
            ++digits;
        }
    }
    return digits;
}

PrefixPlan planPrefix(const QString &rebuilt)
{
    PrefixPlan plan;
    plan.rebuilt = rebuilt;
    plan.freeDigits = freeDigits(rebuilt);
    plan.ofNumberForm = rebuilt.size() <= 12 && fitsNumberForm(rebuilt, 1);
    for (qsizetype j = 1; j <= rebuilt.size() && plan.ofNumberForm; ++j) {
        if (j != 4 && j != 8) {
            plan.digits = plan.digits * 10 + std::uint64_t(rebuilt[j - 1].unicode() - u'0');
        }
    }
    return plan;
}

std::vector<PrefixPlan> planPrefixes(const QStringList &prefixes)
{
    std::vector<PrefixPlan> plans;
    plans.reserve(std::size_t(prefixes.size()));
    for (const QString &prefix : prefixes) {
        plans.push_back(planPrefix(rebuildPrefix(prefix)));
    }
    return plans;
}
