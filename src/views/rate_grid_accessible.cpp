// SPDX-License-Identifier: GPL-3.0-or-later
#include "rate_grid_accessible.h"

#include "rate_grid.h"

#include <QPointer>

namespace vantrel {
namespace {

// One cell: a column heading in the header row, a row heading in the pair column, a cell in the rate
// column. It belongs to no QObject, so that the grid's own interface stays the one Qt finds for the grid.
class RateGridCellAccessible final : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    RateGridCellAccessible(RateGrid *grid, int gridRow, int column)
        : m_grid(grid)
        , m_row(gridRow)
        , m_column(column)
    {
    }

    bool isValid() const override
    {
        return m_grid && m_row < m_grid->rowCount() && m_column < m_grid->columnCount();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return table(); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this) : nullptr;
    }

    bool isHeading() const { return m_row < headerRows(); }

    QAccessible::Role role() const override
    {
        return isHeading() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QString text(QAccessible::Text type) const override
    {
        if (type != QAccessible::Name || !isValid())
            return {};
        return m_grid->cellText(m_row, m_column);
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect cell = m_grid->visualItemRect(m_grid->item(m_row, m_column));
        return QRect(m_grid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QTableWidgetItem *item = m_grid->item(m_row, m_column);
        state.focusable = !isHeading();
        state.selectable = (item->flags() & Qt::ItemIsSelectable) != 0;
        state.selected = item->isSelected();
        state.focused = m_grid->hasFocus() && m_grid->currentRow() == m_row && m_grid->currentColumn() == m_column;
        const QRect cell = m_grid->visualItemRect(item);
        state.invisible = !m_grid->isVisible() || !m_grid->viewport()->rect().intersects(cell);
        state.offscreen = state.invisible;
        return state;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return isValid() && m_grid->item(m_row, m_column)->isSelected(); }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        if (isHeading())
            return {};
        return {gridAccessible()->gridCell(0, m_column)};
    }
    // A row's heading is its pair cell, the pair cell's own included: the AT-SPI bridge answers a screen
    // reader's "row header of row N" with what the row's first cell gives here.
    QList<QAccessibleInterface *> rowHeaderCells() const override
    {
        if (isHeading())
            return {};
        return {gridAccessible()->gridCell(m_row, 0)};
    }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return isHeading() ? -1 : m_row - headerRows(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return QAccessible::queryAccessibleInterface(m_grid.data()); }

private:
    // Both grids have one header row.
    static int headerRows() { return 1; }
    RateGridAccessible *gridAccessible() const { return static_cast<RateGridAccessible *>(table()); }

    QPointer<RateGrid> m_grid;
    int m_row;
    int m_column;
};

QAccessibleInterface *rateGridFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("vantrel::RateGrid"))
        return new RateGridAccessible(static_cast<RateGrid *>(object));
    return nullptr;
}

} // namespace

RateGridAccessible::RateGridAccessible(RateGrid *grid)
    : QAccessibleWidget(grid, QAccessible::Table)
{
}

RateGridAccessible::~RateGridAccessible()
{
    for (QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
}

RateGrid *RateGridAccessible::grid() const
{
    return static_cast<RateGrid *>(widget());
}

void *RateGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface *RateGridAccessible::gridCell(int gridRow, int column) const
{
    if (gridRow < 0 || column < 0 || gridRow >= grid()->rowCount() || column >= grid()->columnCount())
        return nullptr;
    QAccessible::Id &id = m_cells[{gridRow, column}];
    if (!id)
        id = QAccessible::registerAccessibleInterface(new RateGridCellAccessible(grid(), gridRow, column));
    return QAccessible::accessibleInterface(id);
}

// Children are numbered as Qt's table views number them in their focus events: a place for the hidden
// header views before each row and column, so that the cell the keyboard reaches is the one reported.
int RateGridAccessible::childIndex(const RateGrid &grid, int gridRow, int column)
{
    return (gridRow + 1) * (grid.columnCount() + 1) + column + 1;
}

int RateGridAccessible::childCount() const
{
    return (grid()->rowCount() + 1) * (grid()->columnCount() + 1);
}

QAccessibleInterface *RateGridAccessible::child(int index) const
{
    const int width = grid()->columnCount() + 1;
    return gridCell(index / width - 1, index % width - 1);
}

int RateGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const QAccessibleTableCellInterface *cell =
        child ? const_cast<QAccessibleInterface *>(child)->tableCellInterface() : nullptr;
    if (!cell || child->parent() != this)
        return -1;
    return childIndex(*grid(), cell->rowIndex() < 0 ? 0 : cell->rowIndex() + 1, cell->columnIndex());
}

QAccessibleInterface *RateGridAccessible::focusChild() const
{
    if (!grid()->hasFocus() || grid()->currentRow() < 0)
        return nullptr;
    return gridCell(grid()->currentRow(), grid()->currentColumn());
}

QAccessibleInterface *RateGridAccessible::cellAt(int row, int column) const
{
    return gridCell(row + 1, column);
}

int RateGridAccessible::selectedCellCount() const
{
    return int(selectedCells().size());
}

QList<QAccessibleInterface *> RateGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    for (const QTableWidgetItem *item : grid()->selectedItems())
        cells.append(gridCell(item->row(), item->column()));
    return cells;
}

QString RateGridAccessible::columnDescription(int column) const
{
    return grid()->cellText(0, column);
}

QString RateGridAccessible::rowDescription(int row) const
{
    return grid()->cellText(row + 1, 0);
}

int RateGridAccessible::columnCount() const
{
    return grid()->columnCount();
}

int RateGridAccessible::rowCount() const
{
    return grid()->rowCount() - 1;
}

void installRateGridAccessibility(RateGrid &grid)
{
    static const bool installed = [] {
        QAccessible::installFactory(rateGridFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // The grid may have been asked for its interface while it was still being made, when it was only a
    // QTableWidget: drop that one, so that the next question gets the grid's own.
    if (QAccessible::isActive()) {
        if (QAccessibleInterface *early = QAccessible::queryAccessibleInterface(&grid))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(early));
    }
}

} // namespace vantrel
