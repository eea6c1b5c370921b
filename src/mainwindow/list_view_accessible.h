#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <map>
#include <utility>

class ListView;
class QAccessibleInterface;
class QItemSelection;
class QModelIndex;
class QString;

// What a screen reader learns of a ListView: a list named by its column header, offering the
// table of its rows (row count, the cell at a row), whose entries are list items that read as
// their text, checked or not, selected or not, with the focus or not. Items are made as they are
// asked for, so a long list costs nothing until it is read.
QAccessibleInterface *listViewAccessible(const QString &className, QObject *object);

class ListItemAccessible;

// What a screen reader hears of a ListView: the current entry as it moves, the selection, the
// check marks, and its rows coming and going. A change of the rows is told once the event loop
// has nothing left to do, or before anything else is told, so a run that appends millions of
// entries in thousands of batches is heard as one change. It also keeps the items a screen
// reader was given, each on its entry while rows come and go before it.
class ListViewAccessibility : public QObject {
public:
    explicit ListViewAccessibility(ListView *view);
    ~ListViewAccessibility() override;

    // The item of a cell, the same each time it is asked for while its entry stays.
    QAccessibleInterface *item(int row, int column);

    // Called by the view as its list and its state change.
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);
    void modelReset();
    void focusIn();
    void focusInDone();
    void currentChanged(const QModelIndex &current);
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles);

private:
    enum class RowChange { None, Inserted, Removed, Reset };

    int childIndex(const QModelIndex &index) const;
    void dropItems(int first, int last);
    void moveItems(int from, int by);
    void rowsChanged(RowChange change, int first, int last);
    void tellRowsLater();
    void tellRows();
    void tellRowChange();
    void tellFocus(const QModelIndex &current);
    void tellGone();

    ListView *view_;
    std::map<std::pair<int, int>, ListItemAccessible *> items_;  // by row and column
    // The change of the rows not told yet: rows first_ to last_ of the list as it was told last.
    RowChange pending_ = RowChange::None;
    int first_ = 0;
    int last_ = -1;
    bool tellQueued_ = false;
    bool removing_ = false;
    bool focusLater_ = false;  // the current entry moved with a removal or a focus-in
    bool focusTold_ = false;   // since the last focus-in
    bool inFocusIn_ = false;
};
