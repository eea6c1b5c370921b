#include "listcontrol/list_view.h"

#include "listcontrol/list_accessible.h"
#include "listcontrol/list_view_accessibility.h"

#include <QAccessible>
#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Draws only the start of a long entry. The style lays out the whole text of a row before it
// elides what does not fit, which for an entry of millions of characters takes seconds at every
// repaint; a row shows a few hundred characters at most, and no character is narrower than a
// pixel but the marks that sit on another, so four characters a pixel of the column leave the
// elided row as it was. The entry itself keeps every character.
class StartOfTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        qsizetype most = std::max(256, 4 * option->rect.width());
        if (option->text.size() > most) {
            // Not between the two halves of a character beyond the first plane.
            if (option->text.at(most - 1).isHighSurrogate()) {
                --most;
            }
            option->text.truncate(most);
        }
    }
};

}  // namespace

ListView::ListView(QWidget *parent)
    : QAbstractItemView(parent),
      header_(new QHeaderView(Qt::Horizontal, this)),
      accessibility_(std::make_unique<ListViewAccessibility>(this))
{
    // A list control's header reads from the left, as a tree view's does.
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setStretchLastSection(false);
    header_->setSectionsClickable(false);
    header_->setFocusPolicy(Qt::NoFocus);
    setItemDelegate(new StartOfTextDelegate(this));
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    static const bool accessible = (QAccessible::installFactory(listViewAccessible), true);
    (void)accessible;
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
}

ListView::~ListView() = default;

void ListView::setModel(QAbstractItemModel *model)
{
    QAbstractItemView::setModel(model);
    header_->setModel(model);
    rowHeight_ = 0;
    updateGeometries();
    if (model) {
        // The base view keeps the current entry and the selection through these and tells a
        // screen reader, and lays out again after a reset or a new layout; after these, the rows
        // on screen and the scroll range are this view's to follow.
        for (auto signal : {&QAbstractItemModel::rowsRemoved, &QAbstractItemModel::columnsInserted,
                            &QAbstractItemModel::columnsRemoved}) {
            connect(model, signal, this, &ListView::relayOut);
        }
        connect(model, &QAbstractItemModel::rowsMoved, this, &ListView::relayOut);
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex &parent, int first, int last) {
                    if (parent == rootIndex()) {
                        accessibility_->rowsRemoved(first, last);
                    }
                });
    }
}

void ListView::reset()
{
    QAbstractItemView::reset();
    rowHeight_ = 0;
    relayOut();
    accessibility_->modelReset();
}

// Rows went away or moved: the scroll range shrinks (scrolling back where it ran past the end)
// and every row on screen may show another entry now.
void ListView::relayOut()
{
    updateGeometries();
    viewport()->update();
}

int ListView::columnWidth(int column) const
{
    return header_->sectionSize(column);
}

void ListView::setColumnWidth(int column, int width)
{
    header_->resizeSection(column, width);
}

int ListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

// Every row is as tall as the first would be: measured once, from the delegate.
int ListView::rowHeight() const
{
    if (rowHeight_ > 0) {
        return rowHeight_;
    }
    if (!model() || rows() == 0) {
        return fontMetrics().height() + 4;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    rowHeight_ = std::max(1, itemDelegateForIndex(model()->index(0, 0, rootIndex()))
                                 ->sizeHint(option, model()->index(0, 0, rootIndex()))
                                 .height());
    return rowHeight_;
}

int ListView::rowAt(int y) const
{
    const int row = (y + verticalOffset()) / rowHeight();
    return y + verticalOffset() < 0 || row >= rows() ? -1 : row;
}

QRect ListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex()) {
        return {};
    }
    const int h = rowHeight();
    return QRect(header_->sectionViewportPosition(index.column()),
                 int(qint64(index.row()) * h - verticalOffset()),
                 header_->sectionSize(index.column()), h);
}

void ListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid()) {
        return;
    }
    const int h = rowHeight();
    const qint64 top = qint64(index.row()) * h;
    const int height = viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    qint64 value = bar->value();
    switch (hint) {
        case PositionAtTop:
            value = top;
            break;
        case PositionAtBottom:
            value = top + h - height;
            break;
        case PositionAtCenter:
            value = top + h / 2 - height / 2;
            break;
        case EnsureVisible:
            if (top < value) {
                value = top;
            } else if (top + h > value + height) {
                value = top + h - height;
            }
            break;
    }
    bar->setValue(int(std::clamp<qint64>(value, bar->minimum(), bar->maximum())));
}

QModelIndex ListView::indexAt(const QPoint &point) const
{
    const int row = rowAt(point.y());
    const int column = header_->logicalIndexAt(point.x());
    if (!model() || row < 0 || column < 0) {
        return {};
    }
    return model()->index(row, column, rootIndex());
}

QModelIndex ListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (!model() || count == 0) {
        return {};
    }
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        return model()->index(0, 0, rootIndex());
    }
    const int page = std::max(1, viewport()->height() / rowHeight());
    int row = current.row();
    switch (cursorAction) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MovePageUp:
            row -= page;
            break;
        case MovePageDown:
            row += page;
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = count - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return model()->index(std::clamp(row, 0, count - 1), current.column(), rootIndex());
}

int ListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool ListView::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void ListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel() || rows() == 0) {
        return;
    }
    const QRect r = rect.normalized();
    const int first = rowAt(std::max(r.top(), 0));
    int last = rowAt(r.bottom());
    if (first < 0) {
        return;
    }
    if (last < 0) {
        last = rows() - 1;
    }
    const QItemSelection selection(
        model()->index(first, 0, rootIndex()),
        model()->index(last, model()->columnCount(rootIndex()) - 1, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion ListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const int h = rowHeight();
    for (const QItemSelectionRange &range : selection) {
        const qint64 top = qint64(range.top()) * h - verticalOffset();
        const qint64 bottom = qint64(range.bottom() + 1) * h - verticalOffset();
        if (bottom < 0 || top > viewport()->height()) {
            continue;
        }
        region += QRect(
            0, int(std::max<qint64>(top, -1)), viewport()->width(),
            int(std::min<qint64>(bottom, viewport()->height() + 1) - std::max<qint64>(top, -1)));
    }
    return region;
}

void ListView::paintEvent(QPaintEvent *event)
{
    if (!model()) {
        return;
    }
    QPainter painter(viewport());
    const int h = rowHeight();
    const int first = std::max(0, (event->rect().top() + verticalOffset()) / h);
    const int last = std::min(rows() - 1, (event->rect().bottom() + verticalOffset()) / h);
    const int columns = model()->columnCount(rootIndex());
    const QModelIndex current = currentIndex();
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model()->index(row, column, rootIndex());
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = visualRect(index);
            if (selectionModel() && selectionModel()->isSelected(index)) {
                option.state |= QStyle::State_Selected;
            }
            // The whole row shows the focus, as the row is what is selected.
            if (current.isValid() && current.row() == row && hasFocus()) {
                option.state |= QStyle::State_HasFocus;
            }
            if (!isEnabled()) {
                option.state &= ~QStyle::State_Enabled;
            }
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
}

// Setting a range can show or hide a scroll bar, which resizes the viewport and asks for this
// again from inside. The inner call would be undone by the outer one's older sizes, and on a
// small list the two bars then hid and showed each other without end; so the ranges are set
// again here, from the viewport as it now is, until it keeps its size.
void ListView::updateGeometries()
{
    if (settingRanges_) {
        return;
    }
    settingRanges_ = true;
    const int headerHeight = header_->isHidden() ? 0 : header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    // Rows and column that fit without scroll bars get none, even where bars shown before
    // would each keep the other needed.
    const qint64 content = qint64(rows()) * rowHeight();
    const QSize most = maximumViewportSize();
    const bool fits = content <= most.height() && header_->length() <= most.width();
    QRect area;
    for (int pass = 0; pass < 4 && area != viewport()->geometry(); ++pass) {
        area = viewport()->geometry();
        QScrollBar *vertical = verticalScrollBar();
        vertical->setSingleStep(rowHeight());
        vertical->setPageStep(std::max(1, area.height()));
        vertical->setRange(0,
                           fits ? 0 : int(std::clamp<qint64>(content - area.height(), 0, INT_MAX)));
        QScrollBar *horizontal = horizontalScrollBar();
        horizontal->setPageStep(std::max(1, area.width()));
        horizontal->setRange(0, fits ? 0 : std::max(0, header_->length() - area.width()));
    }
    area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    header_->setOffset(horizontalOffset());
    settingRanges_ = false;
    QAbstractItemView::updateGeometries();
}

// The rows on screen are painted anew rather than moved: a row drawn elsewhere and moved differs
// by a shade at its smoothed edges from one drawn where it stands, and few rows are on screen.
void ListView::scrollContentsBy(int, int)
{
    header_->setOffset(horizontalOffset());
    viewport()->update();
}

void ListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent == rootIndex()) {
        accessibility_->rowsInserted(start, end);
    }
    if (start == 0) {
        rowHeight_ = 0;  // measured again on a real row
    }
    updateGeometries();
    // Rows appended below the visible ones need no painting; the scroll bar shows them.
    const qint64 top = qint64(start) * rowHeight() - verticalOffset();
    if (top < viewport()->height()) {
        viewport()->update();
    }
}

void ListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // Before the base view moves the current entry off the rows that go.
    if (parent == rootIndex()) {
        accessibility_->rowsAboutToBeRemoved(start, end);
    }
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
}

void ListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous);  // scrolls it into view first
    accessibility_->currentChanged(current);
}

void ListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    accessibility_->selectionChanged(selected, deselected);
}

void ListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                           const QList<int> &roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    accessibility_->dataChanged(topLeft, bottomRight, roles);
}

void ListView::focusInEvent(QFocusEvent *event)
{
    accessibility_->focusIn();
    QAbstractItemView::focusInEvent(event);
    accessibility_->focusInDone();
}

void ListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        rowHeight_ = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}
