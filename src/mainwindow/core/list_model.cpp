#include "mainwindow/core/list_model.h"

#include "shell/core/failure.h"

#include <QTimer>

ListModel::ListModel(QObject *parent) : QAbstractTableModel(parent) {}

void ListModel::checkPosition(int position) const
{
    if (position < 1 || position > count()) {
        throw Failure(QStringLiteral("Index out of bounds"));
    }
}

void ListModel::add(const QString &text)
{
    texts_.push_back(text);
    checked_.push_back(checkable_ ? 1 : 0);
    ++revision_;
    if (!publishQueued_) {
        publishQueued_ = true;
        // The tree view lays out every row again for each batch, so a long list is shown in
        // batches spaced by its length: a second apart at a million rows.
        QTimer::singleShot(published_ / 1000, this, &ListModel::publish);
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
    const int row = position - 1;
    beginRemoveRows({}, row, row);
    texts_.erase(texts_.begin() + row);
    checked_.erase(checked_.begin() + row);
    if (row < int(subItems_.size())) {
        subItems_.erase(subItems_.begin() + row);
    }
    published_ = count();
    ++removals_;
    ++revision_;
    endRemoveRows();
}

void ListModel::clear()
{
    beginResetModel();
    // Swapping with empty vectors hands the memory of a long list back at once.
    std::vector<QString>().swap(texts_);
    std::vector<QStringList>().swap(subItems_);
    std::vector<char>().swap(checked_);
    published_ = 0;
    ++removals_;
    ++revision_;
    endResetModel();
}

QString ListModel::text(int position) const
{
    checkPosition(position);
    return texts_[position - 1];
}

QStringList ListModel::texts() const
{
    return QStringList(texts_.begin(), texts_.end());
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
    return checked_[position - 1] != 0;
}

void ListModel::setChecked(int position, bool checked)
{
    checkPosition(position);
    checked_[position - 1] = checked ? 1 : 0;
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
        return index.column() == 0 ? texts_[index.row()] : subItem(position, index.column());
    }
    if (role == Qt::CheckStateRole && checkable_ && index.column() == 0) {
        return checked_[index.row()] ? Qt::Checked : Qt::Unchecked;
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
