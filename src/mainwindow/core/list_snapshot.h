#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class ListModel;

// A list as it stood at one moment, as plain rows: headers, every entry's cells and check marks.
// The outputs work from one of these, so another action that changes the list while they yield
// cannot make them fail half way or write a mixture of old and new entries.
//
// The cells share their text with the list, so a snapshot costs a handle per cell, not a copy.
struct ListSnapshot {
    QStringList headers;  // column k at index k - 1
    // Column-major: cells[k - 1][i - 1] is cell k of entry i (its text for k = 1, else sub-item
    // k - 1).
    std::vector<std::vector<QString>> cells;
    std::vector<char> checked;  // entry i at index i - 1

    int columns() const { return int(headers.size()); }
    int count() const { return int(checked.size()); }
    // Positions are 1-based, as in the list.
    const QString &cell(int position, int column) const
    {
        return cells[std::size_t(column - 1)][std::size_t(position - 1)];
    }
    bool isChecked(int position) const { return checked[std::size_t(position - 1)] != 0; }
    int checkedCount() const;
};

// Every entry of the list with every column the list has, as it stands now.
ListSnapshot takeListSnapshot(const ListModel &list);
