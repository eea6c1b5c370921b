#include "lists/list_model.h"

#include "lists/list_snapshot.h"
#include "shell/core/failure.h"

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

ListModel::ListModel(QObject *parent) : QAbstractTableModel(parent) {}

void ListModel::checkPosition(int position) const
{
    if (position < 1 || position > count()) {
        throw Failure(QStringLiteral("Index out of bounds"));
    }
}

// A text's entry, in a place a removed entry gave up if there is one.
std::uint64_t ListModel::addText(const QString &text)
{
    if (freeTexts_.empty()) {
        texts_.push_back(text);
        return textEntry(texts_.size() - 1);
    }
    const std::uint32_t place = freeTexts_.back();
    freeTexts_.pop_back();
    texts_[place] = text;
    return textEntry(place);
}

void ListModel::add(const QString &text)
{
    const std::uint64_t key = numberKey(text);
    entries_.push_back(key != kNotANumber ? key : addText(text));
    appended(1);
}

void ListModel::add(QStringView text)
{
    const std::uint64_t key = numberKey(text);
    if (key != kNotANumber) {
        entries_.push_back(key);
        appended(1);
    } else {
        add(text.toString());
    }
}

void ListModel::add(const ListEntries &entries)
{
    if (entries.texts.empty()) {
        entries_.append(entries.entries.data(), entries.entries.size());
        appended(entries.size());
        return;
    }
    for (const std::uint64_t entry : entries.entries) {
        entries_.push_back(isTextEntry(entry) ? addText(entries.texts[textIndexOf(entry)]) : entry);
    }
    appended(entries.size());
}

void ListModel::setBit(std::size_t row, bool on)
{
    const std::uint64_t mask = std::uint64_t(1) << (row & 63);
    checked_[row >> 6] = on ? checked_[row >> 6] | mask : checked_[row >> 6] & ~mask;
}

// The entries count() - n to count() - 1 were just appended.
void ListModel::appended(std::size_t n)
{
    const std::size_t size = entries_.size();
    checked_.resize((size + 63) / 64, 0);
    if (checkable_) {
        // A word of bits at a time.
        for (std::size_t row = size - n; row < size;) {
            const std::size_t first = row & 63;
            const std::size_t bits = std::min<std::size_t>(64 - first, size - row);
            checked_[row >> 6] |= (bits == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1)
                                  << first;
            row += bits;
        }
    }
    queuePublish();
    ++changes_;
}

void ListModel::queuePublish()
{
    if (!publishQueued_) {
        publishQueued_ = true;
        QMetaObject::invokeMethod(this, &ListModel::publish, Qt::QueuedConnection);
    }
}

void ListModel::publish()
{
    publishQueued_ = false;
    if (published_ >= count()) {
        return;
    }
    beginInsertRows({}, published_, count() - 1);
    published_ = count();
    endInsertRows();
}

void ListModel::remove(int position)
{
    checkPosition(position);
    publish();
    const std::size_t row = std::size_t(position - 1);
    beginRemoveRows({}, int(row), int(row));
    // A removed text gives its memory back, and its place to the next text added.
    if (isTextEntry(entries_[row])) {
        const std::uint32_t place = std::uint32_t(textIndexOf(entries_[row]));
        texts_[place] = QString();
        freeTexts_.push_back(place);
    }
    entries_.erase(row);
    for (std::size_t r = row; r < entries_.size(); ++r) {
        setBit(r, bit(r + 1));
    }
    setBit(entries_.size(), false);  // the place the last entry left
    checked_.resize((entries_.size() + 63) / 64);
    if (row < subItems_.size()) {
        subItems_.erase(subItems_.begin() + std::ptrdiff_t(row));
    }
    published_ = count();
    endRemoveRows();
    ++changes_;
}

void ListModel::clear()
{
    [[maybe_unused]] const bool large = entries_.size() >= kLargeList;
    beginResetModel();
    entries_.clear();
    std::vector<QString>().swap(texts_);
    std::vector<std::uint32_t>().swap(freeTexts_);
    std::vector<QStringList>().swap(subItems_);
    std::vector<std::uint64_t>().swap(checked_);
    published_ = 0;
    endResetModel();
#ifdef __GLIBC__
    // The allocator keeps what a long list let go of for the program's next allocations; the
    // system gets it back only when asked, and half a gigabyte after fifty million numbers.
    if (large) {
        malloc_trim(0);
    }
#endif
    ++changes_;
}

QString ListModel::text(int position) const
{
    checkPosition(position);
    const std::uint64_t entry = entries_[std::size_t(position - 1)];
    return isTextEntry(entry) ? texts_[textIndexOf(entry)] : numberText(entry);
}

QStringList ListModel::texts() const
{
    QStringList all;
    all.reserve(count());
    for (int i = 1; i <= count(); ++i) {
        all.append(text(i));
    }
    return all;
}

ListSnapshot ListModel::snapshot() const
{
    ListSnapshot s;
    s.headers = headers_;
    s.entries.resize(entries_.size());
    entries_.copyTo(s.entries.data());
    s.texts = texts_;
    s.checked.resize(entries_.size());
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        s.checked[row] = bit(row) ? 1 : 0;
    }
    // Cells 2 onwards, for the columns that have any.
    for (int column = 2; column <= columns(); ++column) {
        bool any = false;
        for (const QStringList &cells : subItems_) {
            any = any || cells.size() >= column - 1;
        }
        if (!any) {
            break;
        }
        std::vector<QString> cells(entries_.size());
        for (std::size_t row = 0; row < subItems_.size(); ++row) {
            if (subItems_[row].size() >= column - 1) {
                cells[row] = subItems_[row][column - 2];
            }
        }
        s.subItems.push_back(std::move(cells));
    }
    return s;
}

QString ListModel::subItem(int position, int number) const
{
    checkPosition(position);
    const int row = position - 1;
    if (number < 1 || row >= int(subItems_.size()) || number > subItems_[row].size()) {
        return {};
    }
    return subItems_[row][number - 1];
}

void ListModel::setSubItem(int position, int number, const QString &text)
{
    checkPosition(position);
    if (number < 1) {
        throw Failure(QStringLiteral("Invalid property value"));
    }
    const int row = position - 1;
    if (row >= int(subItems_.size())) {
        subItems_.resize(row + 1);
    }
    QStringList &cells = subItems_[row];
    while (cells.size() < number) {
        cells.append(QString());
    }
    cells[number - 1] = text;
    if (row < published_ && number < columns()) {
        emit dataChanged(index(row, number), index(row, number));
    }
}

bool ListModel::checked(int position) const
{
    checkPosition(position);
    return bit(std::size_t(position - 1));
}

void ListModel::setChecked(int position, bool checked)
{
    checkPosition(position);
    setBit(std::size_t(position - 1), checked);
    const int row = position - 1;
    if (row < published_) {
        emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
    }
}

int ListModel::addColumn(const QString &header, int widthTwips)
{
    const int column = columns();
    beginInsertColumns({}, column, column);
    headers_.append(header);
    widths_.push_back(widthTwips);
    endInsertColumns();
    emit columnWidthChanged(column + 1, widthTwips);
    return column + 1;
}

QString ListModel::header(int column) const
{
    if (column < 1 || column > columns()) {
        throw Failure(QStringLiteral("Index out of bounds"));
    }
    return headers_[column - 1];
}

int ListModel::columnWidth(int column) const
{
    if (column < 1 || column > columns()) {
        throw Failure(QStringLiteral("Index out of bounds"));
    }
    return widths_[column - 1];
}

void ListModel::setColumnWidth(int column, int widthTwips)
{
    if (column < 1 || column > columns()) {
        throw Failure(QStringLiteral("Index out of bounds"));
    }
    widths_[column - 1] = widthTwips;
    emit columnWidthChanged(column, widthTwips);
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : published_;
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= published_) {
        return {};
    }
    const int position = index.row() + 1;
    if (role == Qt::DisplayRole) {
        return index.column() == 0 ? text(position) : subItem(position, index.column());
    }
    if (role == Qt::CheckStateRole && checkable_ && index.column() == 0) {
        return bit(std::size_t(index.row())) ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

bool ListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= published_ || role != Qt::CheckStateRole ||
        !checkable_) {
        return false;
    }
    setChecked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemNeverHasChildren;
    if (checkable_ && index.column() == 0) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columns()) {
        return headers_[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
