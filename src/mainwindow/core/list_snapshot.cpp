#include "mainwindow/core/list_snapshot.h"

#include "mainwindow/core/list_model.h"

#include <algorithm>

int ListSnapshot::checkedCount() const
{
    return int(std::count(checked.begin(), checked.end(), char(1)));
}

ListSnapshot takeListSnapshot(const ListModel &list)
{
    ListSnapshot s;
    const int columns = list.columns();
    const int count = list.count();
    s.headers.reserve(columns);
    for (int k = 1; k <= columns; ++k) {
        s.headers.append(list.header(k));
    }
    s.cells.resize(std::size_t(columns));
    for (int k = 1; k <= columns; ++k) {
        std::vector<QString> &column = s.cells[std::size_t(k - 1)];
        column.reserve(std::size_t(count));
        for (int i = 1; i <= count; ++i) {
            column.push_back(k == 1 ? list.text(i) : list.subItem(i, k - 1));
        }
    }
    s.checked.reserve(std::size_t(count));
    for (int i = 1; i <= count; ++i) {
        s.checked.push_back(list.checked(i) ? 1 : 0);
    }
    return s;
}
