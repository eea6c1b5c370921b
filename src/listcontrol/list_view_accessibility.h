#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <map>

class ListItemAccessible;
class ListView;
class QAccessibleInterface;
class QItemSelection;
class QModelIndex;

// What a screen reader hears of a ListView: the current entry as it moves, the selection, the
// check marks, and its rows coming and going. A change of the rows is told once the event loop
// has nothing left to do, or before anything else is told, so a run that appends millions of
// entries in thousands of batches is heard as one change. It also keeps the items a screen
// reader was given, each on its entry while rows come and go before it.
class ListViewAccessibility : public QObject {
public:
    explicit ListViewAccessibility(ListView *view);
    ~ListViewAccessibility() override;

    // The item of an entry, the same each time it is asked for while its entry stays.
    QAccessibleInterface *item(int row);

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

    void dropItems(int first, int last);
    void moveItems(int from, int by);
    void rowsChanged(RowChange change, int first, int last);
    void tellRowsLater();
    void tellRows();
    void tellRowChange();
    void tellChild(QAccessible::Event type, int row);
    void tellFocus(const QModelIndex &current);
    void tellGone();

    ListView *view_;
    std::map<int, ListItemAccessible *> items_;  // by row
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
