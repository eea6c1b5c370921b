#pragma once

#include "lists/chunked_vector.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

struct ListEntries;
struct ListSnapshot;

// One list of the window (the prefixes or the results): entries with a text, sub-items and a check
// mark, under one or more column headers. Positions are 1-based; reading or removing a position
// that is not there throws Failure.
//
// An entry of the form NNN-NNN-NNNN is kept as the number its digits make, in eight bytes; only
// entries of another form keep their text, and a check mark takes a bit.
//
// Two counts: count() is the list's, for the program. rowCount(), which views read, is the rows
// they have been told of: appends reach views once per turn of the event loop (or at publish()),
// however many there were, so rowCount() lags behind count() until then.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(QObject *parent = nullptr);

    int count() const { return int(entries_.size()); }
    // How many times the entries changed: every add, remove and clear counts one, an append of
    // many entries at once too. A long loop compares it between its yields to learn whether
    // anyone changed the list meanwhile.
    quint64 changes() const { return changes_; }
    void add(const QString &text);
    void add(QStringView text);
    void add(const ListEntries &entries);
    void remove(int position);
    void clear();
    QString text(int position) const;
    // Every entry's text, in list order.
    QStringList texts() const;
    // Every entry with every column, as plain rows.
    ListSnapshot snapshot() const;
    // Cell 2 onwards of an entry; the empty text where none was set.
    QString subItem(int position, int number) const;
    void setSubItem(int position, int number, const QString &text);
    bool checked(int position) const;
    void setChecked(int position, bool checked);

    // Tells the views of the rows appended since they last heard.
    void publish();

    // Result entries show a check box and start checked.
    void setCheckable(bool checkable) { checkable_ = checkable; }
    bool isCheckable() const { return checkable_; }

    int addColumn(const QString &header, int widthTwips);
    int columns() const { return int(headers_.size()); }
    QString header(int column) const;
    int columnWidth(int column) const;
    void setColumnWidth(int column, int widthTwips);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void columnWidthChanged(int column, int widthTwips);

private:
    // A list this long gives its memory back to the system when it is cleared.
    static constexpr std::size_t kLargeList = 1'000'000;

    void checkPosition(int position) const;
    void appended(std::size_t n);
    void queuePublish();
    bool bit(std::size_t row) const { return (checked_[row >> 6] >> (row & 63)) & 1; }
    void setBit(std::size_t row, bool on);
    std::uint64_t addText(const QString &text);

    // Entries in the lists' form (number_form.h), their texts in texts_.
    ChunkedVector<std::uint64_t> entries_;
    std::vector<QString> texts_;
    std::vector<std::uint32_t> freeTexts_;  // places in texts_ that removed entries gave up
    std::vector<QStringList> subItems_;     // grows only as far as sub-items are set
    std::vector<std::uint64_t> checked_;    // a bit per entry
    QStringList headers_;
    std::vector<int> widths_;
    int published_ = 0;
    bool publishQueued_ = false;
    bool checkable_ = false;
    quint64 changes_ = 0;
};
