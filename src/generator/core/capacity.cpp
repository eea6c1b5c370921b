#include "generator/core/capacity.h"

#include "generator/core/numbers.h"

#include <QSet>

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
                covered = rebuilt.contains(r.left(shorter)) && FitsNumberForm(r, shorter + 1);
            }
        }
        if (!covered) {
            total += powerOfTen(FreeDigits(r));
        }
    }
    return total;
}
