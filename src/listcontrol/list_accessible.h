#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QItemSelectionModel>
#include <QPointer>

#include "listcontrol/list_view.h"

// What a screen reader asks of a ListView: a list named by its column header, offering the
// table of its rows (row count, the cell at a row), whose entries are list items that read as
// their text, checked or not, selected or not, with the focus or not. Each list has one column,
// so an entry is known by its row alone. The items are made as they are asked for and kept by
// the view's ListViewAccessibility, so a long list costs nothing until it is read.
QAccessibleInterface *listViewAccessible(const QString &className, QObject *object);

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

// An entry, on its row as rows come and go before it.
class ListItemAccessible : public ListLeafAccessible,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface {
public:
    ListItemAccessible(ListView *view, int row) : ListLeafAccessible(view), row_(row) {}

    const ListView *view() const { return view_.data(); }
    int row() const { return row_; }
    void moveTo(int row) { row_ = row; }
    QModelIndex index() const
    {
        return view_ && view_->model() ? view_->model()->index(row_, 0, view_->rootIndex())
                                       : QModelIndex();
    }

    bool isValid() const override { return index().isValid(); }
    QWindow *window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? index().data().toString() : QString();
    }
    QRect rect() const override;
    QAccessible::State state() const override;
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
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    // What a screen reader can do with an entry: make it the current one, and tick or untick
    // a result, as a click does.
    QStringList actionNames() const override;
    void doAction(const QString &name) override;
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    int row_;
};
