// Adding, deleting and clearing prefixes by hand.
#include "listcontrol/list_view.h"
#include "mainwindow/form1.h"
#include "shell/core/error_trap.h"

#include <QItemSelectionModel>
#include <algorithm>
#include <optional>

namespace {

// Removes the selected prefix; throws Failure when none is selected. The entry that takes its
// place becomes the selected one, so a held Delete key goes on deleting.
void removeSelectedPrefix(Form1 &form)
{
    const int position = form.selectedPrefixPosition();
    form.ListView1.remove(position);
    const int count = form.ListView1.count();
    if (count > 0) {
        const QModelIndex next = form.ListView1.index(std::min(position, count) - 1, 0);
        form.listView1Widget->selectionModel()->setCurrentIndex(
            next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

// The Delete key and the double-click: held off while a long action runs, and silent when
// there is nothing to delete.
void deleteByGesture(Form1 &form)
{
    if (form.MousePointer() == kPointerBusy || form.ListView1.count() == 0) {
        return;
    }
    try {
        removeSelectedPrefix(form);
    } catch (const std::exception &) {
        // Entries but none selected: nothing to delete.
    }
}

}  // namespace

void Form1::PushButton1_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton1_Click"));
    std::optional<QString> typed;
    trap.step(100, [&] { typed = desktop().prompt(QStringLiteral("Enter Prefix to add: ")); });
    // [102] Cancel and an empty line both add nothing.
    if (!typed || typed->isEmpty()) {
        return;
    }
    ListView1.add(*typed);  // [104]
}

void Form1::PushButton9_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton9_Click"));
    if (ListView1.count() == 0) {  // [100]
        return;
    }
    trap.step(102, [&] { removeSelectedPrefix(*this); });
}

void Form1::PushButton6_Click()
{
    ListView1.clear();  // [100]
}

void Form1::ListView1_KeyDown(int key, Qt::KeyboardModifiers)
{
    // Any modifier: Shift+Delete and Ctrl+Delete delete as well.
    if (key == Qt::Key_Delete) {
        deleteByGesture(*this);
    }
}

void Form1::ListView1_DblClick()
{
    deleteByGesture(*this);
}
