#pragma once

#include <QHash>
#include <QTableWidget>

namespace velmora::db {
class ReadingGrid;
}

namespace velmora::periodic {

// A grid that shows a data source's result as a table: row 0 the field
// names, then one row per record, one column per field. Its first rows are
// fixed: drawn in the button face colour, and a click on them does not move
// the current cell. The current cell is marked by the focus frame only, so
// the cells keep their own colours. A double-click anywhere on the grid is
// reported as dblClick, after a click on a cell has made it current.
class FlexGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget *parent = nullptr);

    void setFixedRows(int rows);
    int fixedRows() const { return m_fixedRows; }
    // Refills the table from a reading grid (a grid without a fixed column).
    void fill(const db::ReadingGrid &grid);
    // The text of a cell; an empty text outside the table.
    QString textMatrix(int row, int column) const;
    // The background of the current cell.
    void setCellBackColor(const QColor &colour);
    QColor cellBackColor(int row, int column) const;
    // Kept across refills.
    void setColumnAlignment(int column, Qt::Alignment alignment);

signals:
    void dblClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void styleFixedRows();

    int m_fixedRows = 0;
    QHash<int, Qt::Alignment> m_alignment;
};

} // namespace velmora::periodic
