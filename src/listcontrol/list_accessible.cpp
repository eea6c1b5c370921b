#include "listcontrol/list_accessible.h"

#include "listcontrol/list_view_accessibility.h"

#include <QAccessibleWidget>
#include <algorithm>
#include <climits>

QRect ListItemAccessible::rect() const
{
    if (!view_) {
        return {};
    }
    const QRect r = view_->visualRect(index());
    return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State ListItemAccessible::state() const
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

QStringList ListItemAccessible::actionNames() const
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

void ListItemAccessible::doAction(const QString &name)
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

namespace {

class ListViewAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListViewAccessible(ListView *view) : QAccessibleWidget(view, QAccessible::List) {}

    ListView *view() const { return static_cast<ListView *>(widget()); }
    QAbstractItemModel *model() const { return view()->model(); }
    QModelIndex cell(int row) const
    {
        return model() ? model()->index(row, 0, view()->rootIndex()) : QModelIndex();
    }
    QAccessibleInterface *item(int row) const { return view()->accessibility()->item(row); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface) {
            return static_cast<QAccessibleTableInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return columnCount() > 0 ? rowCount() : 0; }
    QAccessibleInterface *child(int index) const override { return item(index); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *entry = dynamic_cast<const ListItemAccessible *>(child);
        return entry && entry->view() == view() && entry->isValid() ? entry->row() : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? item(index.row()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? item(current.row()) : nullptr;
    }

    // The table: rows read from the list as they are asked for.
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return column == 0 ? item(row) : nullptr;
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

    // The view selects whole rows, one at a time.
    QItemSelection selection() const
    {
        return view()->selectionModel() ? view()->selectionModel()->selection() : QItemSelection();
    }
    int selectedCellCount() const override
    {
        qint64 cells = 0;
        for (const QItemSelectionRange &range : selection()) {
            cells += range.height();
        }
        return int(std::min<qint64>(cells, INT_MAX));
    }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QItemSelectionRange &range : selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                cells << item(row);
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
        const QModelIndex index = cell(row);
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
        const QModelIndex index = cell(row);
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
