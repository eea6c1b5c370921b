#include "listcontrol/list_view_accessibility.h"

#include "listcontrol/list_accessible.h"
#include "listcontrol/list_view.h"

#include <QAbstractEventDispatcher>
#include <climits>
#include <vector>

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

}  // namespace

ListViewAccessibility::ListViewAccessibility(ListView *view) : view_(view) {}

ListViewAccessibility::~ListViewAccessibility()
{
    dropItems(0, INT_MAX - 1);
}

QAccessibleInterface *ListViewAccessibility::item(int row)
{
    const QAbstractItemModel *model = view_->model();
    if (!model || row < 0 || row >= model->rowCount(view_->rootIndex()) ||
        model->columnCount(view_->rootIndex()) == 0) {
        return nullptr;
    }
    const auto found = items_.find(row);
    if (found != items_.end()) {
        return found->second;
    }
    auto *item = new ListItemAccessible(view_, row);
    QAccessible::registerAccessibleInterface(item);
    items_.emplace(row, item);
    return item;
}

// The items of rows that went away are gone for a screen reader too.
void ListViewAccessibility::dropItems(int first, int last)
{
    const auto begin = items_.lower_bound(first);
    const auto end = items_.upper_bound(last);
    for (auto i = begin; i != end; ++i) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(i->second));
    }
    items_.erase(begin, end);
}

// Rows from `from` on moved by `by`: their items move with their entries.
void ListViewAccessibility::moveItems(int from, int by)
{
    std::vector<ListItemAccessible *> moved;
    for (auto i = items_.lower_bound(from); i != items_.end(); ++i) {
        moved.push_back(i->second);
    }
    items_.erase(items_.lower_bound(from), items_.end());
    for (ListItemAccessible *item : moved) {
        item->moveTo(item->row() + by);
        items_.emplace(item->row(), item);
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
    dropItems(0, INT_MAX - 1);
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
            tellChild(QAccessible::SelectionAdd, current.row());
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
    const int added = change == RowChange::Inserted ? first_ : change == RowChange::Reset ? 0 : -1;
    if (added >= 0 && added < rows && view_->model()->columnCount(view_->rootIndex()) > 0) {
        tellChild(QAccessible::ObjectCreated, added);
    }
}

void ListViewAccessibility::tellChild(QAccessible::Event type, int row)
{
    QAccessibleEvent event(view_, type);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
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
    tellChild(QAccessible::Focus, current.row());
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
    // The first entry of each, as a stock list tells: the view selects one row at a time.
    if (!selected.isEmpty() && selected.first().topLeft().isValid()) {
        tellChild(QAccessible::SelectionAdd, selected.first().top());
    }
    if (!deselected.isEmpty() && deselected.first().topLeft().isValid()) {
        tellChild(QAccessible::SelectionRemove, deselected.first().top());
    }
}

void ListViewAccessibility::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                        const QList<int> &roles)
{
    // A check mark is ticked one entry at a time.
    if (!QAccessible::isActive() || !topLeft.isValid() || topLeft.row() != bottomRight.row() ||
        (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)) ||
        !topLeft.data(Qt::CheckStateRole).isValid()) {
        return;
    }
    tellRows();
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(view_, changed);
    event.setChild(topLeft.row());
    QAccessible::updateAccessibility(&event);
}
