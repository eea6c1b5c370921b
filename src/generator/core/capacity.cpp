#include "generator/core/capacity.h"

#include "generator/core/numbers.h"

#include <QSet>

std::uint64_t prefixCapacity(const std::vector<PrefixPlan> &plans)
{
    QSet<QString> rebuilt;
    for (const PrefixPlan &plan : plans) {
        rebuilt.insert(plan.rebuilt);
    }
    std::uint64_t total = 0;
    for (const QString &r : rebuilt) {
        bool covered = false;
        // Only texts of at most 12 characters can be among another prefix's numbers. The shorter
        // prefix ends between two characters, at `shorter` units and `position` - 1 characters.
        if (characterCount(r) <= 12) {
            qsizetype position = 1;
            for (qsizetype shorter = 0; shorter < r.size() && !covered;
                 shorter += characterUnits(r, shorter), ++position) {
                covered = rebuilt.contains(r.left(shorter)) &&
                          fitsNumberForm(QStringView(r).mid(shorter), position);
            }
        }
        if (!covered) {
            total += powerOfTen(freeDigits(r));
        }
    }
    return total;
}
