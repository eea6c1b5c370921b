#pragma once

#include "lists/number_form.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class ListModel;

// A list as it stood at one moment, as plain rows: headers, every entry's cells and check marks.
// The outputs work from one of these, so another action that changes the list while they yield
// cannot make them fail half way or write a mixture of old and new entries.
//
// An entry's first cell is kept as the list keeps it: a number of the form NNN-NNN-NNNN as its
// ten digits, any other text as text. The outputs write numbers straight from their digits.
struct ListSnapshot {
    QStringList headers;                 // column k at index k - 1
    std::vector<std::uint64_t> entries;  // entry i at index i - 1
    std::vector<QString> texts;
    // Cells 2 onwards, column-major: subItems[k - 2][i - 1] is cell k of entry i. A column that no
    // entry has a cell in may be left out.
    std::vector<std::vector<QString>> subItems;
    std::vector<char> checked;  // entry i at index i - 1

    int columns() const { return int(headers.size()); }
    int count() const { return int(entries.size()); }
    // Positions are 1-based, as in the list.
    bool isNumber(int position) const { return !isTextEntry(entries[std::size_t(position - 1)]); }
    std::uint64_t number(int position) const { return entries[std::size_t(position - 1)]; }
    // The text of a first cell that is not a number.
    const QString &text(int position) const
    {
        return texts[textIndexOf(entries[std::size_t(position - 1)])];
    }
    QString cell(int position, int column) const;
    int cellLength(int position, int column) const;
    bool isChecked(int position) const { return checked[std::size_t(position - 1)] != 0; }
    int checkedCount() const;

    // Appends an entry with this first cell; a number of the form NNN-NNN-NNNN is kept as its
    // digits unless packNumbers is false.
    void append(const QString &firstCell, bool isChecked, bool packNumbers = true);
};

// Entries to append to a list, in the list's own form (see number_form.h): numbers as their
// digits, other texts as the text entry of their index in texts.
struct ListEntries {
    std::vector<std::uint64_t> entries;
    std::vector<QString> texts;

    std::size_t size() const { return entries.size(); }
    void clear()
    {
        entries.clear();
        texts.clear();
    }
};
