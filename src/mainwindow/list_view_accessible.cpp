#include "mainwindow/list_view_accessible.h"

#include "mainwindow/list_view.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <unordered_map>

namespace {

class ListItemAccessible : public QAccessibleInterface {
public:
    ListItemAccessible(ListView *view, int row) : view_(view), row_(row) {}

    int row() const { return row_; }
    QModelIndex index() const
    {
        return view_ && view_->model() ? view_->model()->index(row_, 0) : QModelIndex();
    }

    bool isValid() const override { return index().isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? index().data().toString() : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!view_) {
            return {};
        }
        const QRect r = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
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
        s.selected = view_->selectionModel() && view_->selectionModel()->isSelected(i);
        s.focused = view_->hasFocus() && view_->currentIndex().row() == row_;
        const QVariant check = i.data(Qt::CheckStateRole);
        if (check.isValid()) {
            s.checkable = true;
            s.checked = check.toInt() == Qt::Checked;
        }
        return s;
    }

private:
    QPointer<ListView> view_;
    int row_;
};

class ListViewAccessible : public QAccessibleWidget {
public:
    explicit ListViewAccessible(ListView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~ListViewAccessible() override
    {
        for (const auto &[row, id] : items_) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    ListView *view() const { return static_cast<ListView *>(widget()); }

    int childCount() const override { return view()->model() ? view()->model()->rowCount() : 0; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        const auto found = items_.find(index);
        if (found != items_.end()) {
            return QAccessible::accessibleInterface(found->second);
        }
        auto *item = new ListItemAccessible(view(), index);
        items_[index] = QAccessible::registerAccessibleInterface(item);
        return item;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->role() == QAccessible::ListItem
                   ? static_cast<const ListItemAccessible *>(child)->row()
                   : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view()->indexAt(at);
        return index.isValid() ? child(index.row()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

private:
    mutable std::unordered_map<int, QAccessible::Id> items_;
};

}  // namespace

QAccessibleInterface *listViewAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ListView") && object && object->isWidgetType()) {
        return new ListViewAccessible(static_cast<ListView *>(object));
    }
    return nullptr;
}
