#pragma once

#include <QAbstractItemView>
#include <memory>

class ListViewAccessibility;
class QHeaderView;

// The view of both lists: rows of one height under a column header, as a list control in report
// view shows them. It keeps nothing per row, so a list of fifty million entries costs the view
// no memory and no time to grow; only the rows on screen are asked for their text.
class ListView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ListView(QWidget *parent = nullptr);
    ~ListView() override;

    void setModel(QAbstractItemModel *model) override;
    void reset() override;
    QHeaderView *header() const { return header_; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    // What a screen reader is told of the list and its changes.
    ListViewAccessibility *accessibility() const { return accessibility_.get(); }

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void paintEvent(QPaintEvent *event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int rowHeight() const;
    int rows() const;
    int rowAt(int y) const;
    void relayOut();

    QHeaderView *header_;
    std::unique_ptr<ListViewAccessibility> accessibility_;
    mutable int rowHeight_ = 0;  // 0 until measured
    bool settingRanges_ = false;
};
