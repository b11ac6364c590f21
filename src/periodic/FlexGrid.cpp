#include "periodic/FlexGrid.h"

#include "db/ReadingGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

namespace velmora::periodic {

FlexGrid::FlexGrid(QWidget *parent) : QTableWidget(parent)
{
    // The field names are a row of the table itself, not a header.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // A text wider than its cell is cut off at the cell's edge, not elided.
    setTextElideMode(Qt::ElideNone);
}

void FlexGrid::setFixedRows(int rows)
{
    m_fixedRows = rows;
    styleFixedRows();
}

void FlexGrid::fill(const db::ReadingGrid &grid)
{
    clearContents();
    setRowCount(grid.rows());
    setColumnCount(grid.cols());
    for (int r = 0; r < grid.rows(); ++r) {
        for (int c = 0; c < grid.cols(); ++c) {
            auto *item = new QTableWidgetItem(grid.text(r, c));
            item->setFlags(Qt::ItemIsEnabled);
            if (m_alignment.contains(c))
                item->setTextAlignment(m_alignment.value(c));
            setItem(r, c, item);
        }
    }
    styleFixedRows();
}

void FlexGrid::styleFixedRows()
{
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int r = 0; r < qMin(m_fixedRows, rowCount()); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem *cell = item(r, c))
                cell->setBackground(face);
}

QString FlexGrid::textMatrix(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void FlexGrid::setCellBackColor(const QColor &colour)
{
    const int r = currentRow(), c = currentColumn();
    if (r < 0 || c < 0)
        return;
    QTableWidgetItem *cell = item(r, c);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled);
        setItem(r, c, cell);
    }
    cell->setBackground(colour);
}

QColor FlexGrid::cellBackColor(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    if (!cell || cell->background().style() == Qt::NoBrush)
        return palette().color(QPalette::Base);
    return cell->background().color();
}

void FlexGrid::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_alignment.insert(column, alignment);
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem *cell = item(r, column))
            cell->setTextAlignment(alignment);
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.row() < m_fixedRows) {
        event->accept(); // the current cell stays where it was
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    emit dblClick();
}

QModelIndex FlexGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
    return next.isValid() && next.row() < m_fixedRows ? currentIndex() : next;
}

} // namespace velmora::periodic
