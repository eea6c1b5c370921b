#include "lists/list_snapshot.h"

#include "lists/list_model.h"

#include <algorithm>

QString ListSnapshot::cell(int position, int column) const
{
    if (column == 1) {
        return isNumber(position) ? numberText(number(position)) : text(position);
    }
    const std::size_t k = std::size_t(column - 2);
    return k < subItems.size() ? subItems[k][std::size_t(position - 1)] : QString();
}

int ListSnapshot::cellLength(int position, int column) const
{
    if (column == 1) {
        return isNumber(position) ? 12 : int(text(position).size());
    }
    const std::size_t k = std::size_t(column - 2);
    return k < subItems.size() ? int(subItems[k][std::size_t(position - 1)].size()) : 0;
}

int ListSnapshot::checkedCount() const
{
    return int(std::count(checked.begin(), checked.end(), char(1)));
}

void ListSnapshot::append(const QString &firstCell, bool isChecked, bool packNumbers)
{
    const std::uint64_t key = packNumbers ? numberKey(firstCell) : kNotANumber;
    if (key != kNotANumber) {
        entries.push_back(key);
    } else {
        entries.push_back(textEntry(texts.size()));
        texts.push_back(firstCell);
    }
    for (std::vector<QString> &column : subItems) {
        column.emplace_back();
    }
    checked.push_back(isChecked ? 1 : 0);
}
