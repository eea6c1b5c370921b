#include "generator/core/capacity.h"

#include "generator/core/numbers.h"

#include <QSet>

namespace {

// Whether the characters of text from 1-based position `from` on are ones the generator itself
// would append there: a dash at 4 and 8, a digit elsewhere.
bool matchesAppended(const QString &text, qsizetype from)
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

std::uint64_t powerOfTen(int exponent)
{
    std::uint64_t value = 1;
    for (int i = 0; i < exponent; ++i) {
        value *= 10;
    }
    return value;
}

}  // namespace

std::uint64_t prefixCapacity(const QStringList &prefixes)
{
    QSet<QString> rebuilt;
    for (const QString &prefix : prefixes) {
        rebuilt.insert(RebuildPrefix(prefix));
    }
    std::uint64_t total = 0;
    for (const QString &r : rebuilt) {
        bool covered = false;
        // Only texts of at most 12 characters can be among another prefix's numbers.
        if (r.size() <= 12) {
            for (qsizetype shorter = 0; shorter < r.size() && !covered; ++shorter) {
                covered = rebuilt.contains(r.left(shorter)) && matchesAppended(r, shorter + 1);
            }
        }
        if (!covered) {
            total += powerOfTen(FreeDigits(r));
        }
    }
    return total;
}
