#include "mainwindow/list_view_accessible.h"

#include "mainwindow/list_view.h"

#include <QAbstractEventDispatcher>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QPointer>
#include <algorithm>
#include <climits>
#include <vector>

// What every entry of a list is to a screen reader: a list item without children of its own,
// a child of the list.
class ListLeafAccessible : public QAccessibleInterface {
public:
    explicit ListLeafAccessible(ListView *view) : view_(view) {}

    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }

protected:
    QPointer<ListView> view_;
};

class ListItemAccessible : public ListLeafAccessible,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface {
public:
    ListItemAccessible(ListView *view, int row, int column)
        : ListLeafAccessible(view), row_(row), column_(column)
    {
    }

    const ListView *view() const { return view_.data(); }
    int row() const { return row_; }
    int column() const { return column_; }
    void moveTo(int row) { row_ = row; }
    QModelIndex index() const
    {
        return view_ && view_->model() ? view_->model()->index(row_, column_, view_->rootIndex())
                                       : QModelIndex();
    }

    bool isValid() const override { return index().isValid(); }
    QWindow *window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? index().data().toString() : QString();
    }
    QRect rect() const override
    {
        if (!view_) {
            return {};
        }
        const QRect r = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        const QModelIndex i = index();
        if (!i.isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = isSelected();
        s.focused = view_->hasFocus() && view_->currentIndex() == i;
        s.disabled = !view_->isEnabled();
        if (!view_->viewport()->rect().intersects(view_->visualRect(i))) {
            s.invisible = true;  // scrolled away
        }
        const QVariant check = i.data(Qt::CheckStateRole);
        if (check.isValid()) {
            s.checkable = true;
            s.checked = check.toInt() == Qt::Checked;
        }
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface *>(this);
        }
        if (t == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface *>(this);
        }
        return nullptr;
    }

    // The cell of the table.
    bool isSelected() const override
    {
        return view_ && view_->selectionModel() && view_->selectionModel()->isSelected(index());
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    // What a screen reader can do with an entry: make it the current one, and tick or untick
    // a result, as a click does.
    QStringList actionNames() const override
    {
        QStringList names;
        if (isValid()) {
            names << setFocusAction();
            if (index().flags() & Qt::ItemIsUserCheckable) {
                names << toggleAction();
            }
        }
        return names;
    }
    void doAction(const QString &name) override
    {
        const QModelIndex i = index();
        if (!i.isValid() || !view_->isEnabled() || !actionNames().contains(name)) {
            return;
        }
        if (name == setFocusAction()) {
            view_->setFocus(Qt::OtherFocusReason);
            view_->selectionModel()->setCurrentIndex(
                i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (name == toggleAction()) {
            const bool checked = i.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            view_->model()->setData(i, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    int row_;
    int column_;
};

namespace {

// An entry that is gone, told once to a screen reader as the list's child that went away.
class GoneItemAccessible : public ListLeafAccessible {
public:
    using ListLeafAccessible::ListLeafAccessible;

    bool isValid() const override { return view_; }
    QString text(QAccessible::Text) const override { return {}; }
    QRect rect() const override { return {}; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = true;
        return s;
    }
};

class ListViewAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListViewAccessible(ListView *view) : QAccessibleWidget(view, QAccessible::List) {}

    ListView *view() const { return static_cast<ListView *>(widget()); }
    QAbstractItemModel *model() const { return view()->model(); }
    QModelIndex cell(int row, int column) const
    {
        return model() ? model()->index(row, column, view()->rootIndex()) : QModelIndex();
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface) {
            return static_cast<QAccessibleTableInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override
    {
        return int(std::min<qint64>(qint64(rowCount()) * columnCount(), INT_MAX));
    }
    QAccessibleInterface *child(int index) const override
    {
        const int columns = columnCount();
        return index < 0 || columns == 0
                   ? nullptr
                   : view()->accessibility()->item(index / columns, index % columns);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *item = dynamic_cast<const ListItemAccessible *>(child);
        return item && item->view() == view() && item->isValid()
                   ? item->row() * columnCount() + item->column()
                   : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? cellAt(current.row(), current.column())
                                                       : nullptr;
    }

    // The table: rows read from the list as they are asked for.
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return view()->accessibility()->item(row, column);
    }
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override
    {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int columnCount() const override
    {
        return model() ? model()->columnCount(view()->rootIndex()) : 0;
    }
    int rowCount() const override { return model() ? model()->rowCount(view()->rootIndex()) : 0; }

    // The view selects whole rows, never a column.
    QItemSelection selection() const
    {
        return view()->selectionModel() ? view()->selectionModel()->selection() : QItemSelection();
    }
    int selectedCellCount() const override
    {
        qint64 cells = 0;
        for (const QItemSelectionRange &range : selection()) {
            cells += qint64(range.height()) * range.width();
        }
        return int(std::min<qint64>(cells, INT_MAX));
    }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QItemSelectionRange &range : selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                for (int column = range.left(); column <= range.right(); ++column) {
                    cells << cellAt(row, column);
                }
            }
        }
        return cells;
    }
    int selectedColumnCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (const QItemSelectionRange &range : selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                if (isRowSelected(row) && !rows.contains(row)) {
                    rows << row;
                }
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isRowSelected(int row) const override
    {
        return view()->selectionModel() &&
               view()->selectionModel()->isRowSelected(row, view()->rootIndex());
    }
    bool selectRow(int row) override
    {
        const QModelIndex index = cell(row, 0);
        if (!index.isValid() || !view()->selectionModel() ||
            view()->selectionMode() == QAbstractItemView::NoSelection) {
            return false;
        }
        view()->selectionModel()->select(
            index, (view()->selectionMode() == QAbstractItemView::SingleSelection
                        ? QItemSelectionModel::ClearAndSelect
                        : QItemSelectionModel::Select) |
                       QItemSelectionModel::Rows);
        return true;
    }
    bool unselectRow(int row) override
    {
        const QModelIndex index = cell(row, 0);
        if (!index.isValid() || !view()->selectionModel()) {
            return false;
        }
        view()->selectionModel()->select(index,
                                         QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // The items follow the view's rows themselves, whether a screen reader listens or not.
    void modelChange(QAccessibleTableModelChangeEvent *) override {}
};

}  // namespace

QAccessibleInterface *listViewAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ListView") && object && object->isWidgetType()) {
        return new ListViewAccessible(static_cast<ListView *>(object));
    }
    return nullptr;
}

ListViewAccessibility::ListViewAccessibility(ListView *view) : view_(view) {}

ListViewAccessibility::~ListViewAccessibility()
{
    for (const auto &[cell, item] : items_) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(item));
    }
}

QAccessibleInterface *ListViewAccessibility::item(int row, int column)
{
    const QAbstractItemModel *model = view_->model();
    if (!model || row < 0 || column < 0 || row >= model->rowCount(view_->rootIndex()) ||
        column >= model->columnCount(view_->rootIndex())) {
        return nullptr;
    }
    const auto found = items_.find({row, column});
    if (found != items_.end()) {
        return found->second;
    }
    auto *item = new ListItemAccessible(view_, row, column);
    QAccessible::registerAccessibleInterface(item);
    items_.emplace(std::make_pair(row, column), item);
    return item;
}

int ListViewAccessibility::childIndex(const QModelIndex &index) const
{
    return index.row() * view_->model()->columnCount(view_->rootIndex()) + index.column();
}

// The items of rows that went away are gone for a screen reader too.
void ListViewAccessibility::dropItems(int first, int last)
{
    const auto begin = items_.lower_bound({first, 0});
    const auto end = items_.lower_bound({last + 1, 0});
    for (auto i = begin; i != end; ++i) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(i->second));
    }
    items_.erase(begin, end);
}

// Rows from `from` on moved by `by`: their items move with their entries.
void ListViewAccessibility::moveItems(int from, int by)
{
    const auto begin = items_.lower_bound({from, 0});
    if (begin == items_.end()) {
        return;
    }
    std::vector<ListItemAccessible *> moved;
    for (auto i = begin; i != items_.end(); ++i) {
        moved.push_back(i->second);
    }
    items_.erase(begin, items_.end());
    for (ListItemAccessible *item : moved) {
        item->moveTo(item->row() + by);
        items_.emplace(std::make_pair(item->row(), item->column()), item);
    }
}

void ListViewAccessibility::rowsInserted(int first, int last)
{
    moveItems(first, last - first + 1);
    rowsChanged(RowChange::Inserted, first, last);
}

void ListViewAccessibility::rowsAboutToBeRemoved(int, int)
{
    // The view moves the current entry off the rows before they go; that is told once they went.
    removing_ = true;
}

void ListViewAccessibility::rowsRemoved(int first, int last)
{
    removing_ = false;
    dropItems(first, last);
    moveItems(last + 1, -(last - first + 1));
    rowsChanged(RowChange::Removed, first, last);
}

void ListViewAccessibility::modelReset()
{
    removing_ = false;
    for (const auto &[cell, item] : items_) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(item));
    }
    items_.clear();
    rowsChanged(RowChange::Reset, 0, -1);
}

// Joins a change of the rows to the one not told yet where both make one, so that a list
// growing batch by batch, or losing entry after entry at one place, is told once.
void ListViewAccessibility::rowsChanged(RowChange change, int first, int last)
{
    if (!QAccessible::isActive()) {
        return;
    }
    const int n = last - first + 1;
    if (change == RowChange::Reset) {
        pending_ = RowChange::Reset;
    } else if (pending_ == RowChange::Reset) {
        // The reset tells the rows as they are then.
    } else if (change == RowChange::Inserted && pending_ == RowChange::Inserted &&
               first >= first_ && first <= last_ + 1) {
        last_ += n;
    } else if (change == RowChange::Removed && pending_ == RowChange::Removed && first == first_) {
        last_ += n;  // the rows that had moved up into the place
    } else if (change == RowChange::Removed && pending_ == RowChange::Removed &&
               last + 1 == first_) {
        first_ = first;
    } else {
        tellRowChange();
        pending_ = change;
        first_ = first;
        last_ = last;
    }
    tellRowsLater();
}

// Once the event loop has done all there is: a long run appends in many batches between two
// such moments and yields in between, but never waits.
void ListViewAccessibility::tellRowsLater()
{
    if (tellQueued_) {
        return;
    }
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread());
    if (!dispatcher) {
        tellRows();
        return;
    }
    tellQueued_ = true;
    connect(
        dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
        [this] {
            tellQueued_ = false;
            tellRows();
        },
        Qt::SingleShotConnection);
}

// Tells the change of the rows not told yet, and then where the current entry went with it.
void ListViewAccessibility::tellRows()
{
    tellRowChange();
    if (!std::exchange(focusLater_, false) || !QAccessible::isActive()) {
        return;
    }
    const QModelIndex current = view_->currentIndex();
    if (current.isValid() && view_->hasFocus()) {
        if (view_->selectionModel()->isSelected(current)) {
            QAccessibleEvent event(view_, QAccessible::SelectionAdd);
            event.setChild(childIndex(current));
            QAccessible::updateAccessibility(&event);
        }
        tellFocus(current);
    }
}

void ListViewAccessibility::tellRowChange()
{
    const RowChange change = std::exchange(pending_, RowChange::None);
    if (change == RowChange::None || !QAccessible::isActive() || !view_->model()) {
        return;
    }
    if (change == RowChange::Removed || change == RowChange::Reset) {
        tellGone();
    }
    const int rows = view_->model()->rowCount(view_->rootIndex());
    const int columns = view_->model()->columnCount(view_->rootIndex());
    const int added = change == RowChange::Inserted ? first_ : change == RowChange::Reset ? 0 : -1;
    if (added >= 0 && added < rows && columns > 0) {
        QAccessibleEvent event(view_, QAccessible::ObjectCreated);
        event.setChild(added * columns);
        QAccessible::updateAccessibility(&event);
    }
}

void ListViewAccessibility::tellGone()
{
    auto *gone = new GoneItemAccessible(view_);
    const QAccessible::Id id = QAccessible::registerAccessibleInterface(gone);
    QAccessibleEvent event(gone, QAccessible::ObjectDestroyed);
    QAccessible::updateAccessibility(&event);
    QAccessible::deleteAccessibleInterface(id);
}

void ListViewAccessibility::tellFocus(const QModelIndex &current)
{
    focusTold_ = true;
    QAccessibleEvent event(view_, QAccessible::Focus);
    event.setChild(childIndex(current));
    QAccessible::updateAccessibility(&event);
}

void ListViewAccessibility::focusIn()
{
    inFocusIn_ = true;
    focusTold_ = false;
}

// The window tells the list itself as focused after its focus-in; the current entry follows.
void ListViewAccessibility::focusInDone()
{
    inFocusIn_ = false;
    if (!QAccessible::isActive()) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QModelIndex current = view_->currentIndex();
            if (!focusTold_ && current.isValid() && view_->hasFocus()) {
                tellRows();
                if (!focusTold_) {
                    tellFocus(current);
                }
            }
        },
        Qt::QueuedConnection);
}

void ListViewAccessibility::currentChanged(const QModelIndex &current)
{
    if (!QAccessible::isActive()) {
        return;
    }
    if (removing_) {
        focusLater_ = true;
        return;
    }
    if (inFocusIn_ || !current.isValid() || !view_->hasFocus()) {
        return;
    }
    focusLater_ = false;
    tellRows();
    tellFocus(current);
}

void ListViewAccessibility::selectionChanged(const QItemSelection &selected,
                                             const QItemSelection &deselected)
{
    if (!QAccessible::isActive() || removing_) {
        return;
    }
    tellRows();
    // The first cell of each, as a stock list tells: the view selects one row at a time.
    if (!selected.isEmpty() && selected.first().topLeft().isValid()) {
        QAccessibleEvent event(view_, QAccessible::SelectionAdd);
        event.setChild(childIndex(selected.first().topLeft()));
        QAccessible::updateAccessibility(&event);
    }
    if (!deselected.isEmpty() && deselected.first().topLeft().isValid()) {
        QAccessibleEvent event(view_, QAccessible::SelectionRemove);
        event.setChild(childIndex(deselected.first().topLeft()));
        QAccessible::updateAccessibility(&event);
    }
}

void ListViewAccessibility::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                        const QList<int> &roles)
{
    // A check mark is ticked one entry at a time.
    if (!QAccessible::isActive() || !topLeft.isValid() || topLeft.row() != bottomRight.row() ||
        (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole))) {
        return;
    }
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        const QModelIndex index = topLeft.siblingAtColumn(column);
        if (!index.data(Qt::CheckStateRole).isValid()) {
            continue;
        }
        tellRows();
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(view_, changed);
        event.setChild(childIndex(index));
        QAccessible::updateAccessibility(&event);
    }
}
