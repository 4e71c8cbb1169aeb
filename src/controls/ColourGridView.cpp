#include "ColourGridView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace tqv {

namespace {

// Frames the current cell of the focused grid boldly, so that it stays visible on any colour.
class CurrentCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        painter->save();
        painter->setPen(QPen(Qt::black, 2));
        painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        painter->setPen(QPen(Qt::white, 1));
        painter->drawRect(option.rect.adjusted(3, 3, -4, -4));
        painter->restore();
    }
};

} // namespace

ColourGridView::ColourGridView(QWidget *parent) : QTableView(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false); // Tab leaves the grid for the next control
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(160, 160, 160); }"));
    setItemDelegate(new CurrentCellDelegate(this));
}

void ColourGridView::setCellSizes(int labelWidth, int cellWidth, int rowHeight)
{
    m_labelWidth = labelWidth;
    m_cellWidth = cellWidth;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setDefaultSectionSize(cellWidth);
    if (model() && model()->columnCount() > 0)
        setColumnWidth(0, labelWidth);
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    if (model())
        width += labelWidth + (model()->columnCount() - 1) * cellWidth;
    setMinimumWidth(width);
}

void ColourGridView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit cellChosen(index, event->globalPosition().toPoint());
}

void ColourGridView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (currentIndex().isValid()) {
            const QRect cell = visualRect(currentIndex());
            emit cellChosen(currentIndex(), viewport()->mapToGlobal(cell.bottomLeft()));
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

} // namespace tqv
