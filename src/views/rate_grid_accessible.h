// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPair>

namespace vantrel {

class RateGrid;

// How a rate grid shows itself to a screen reader: a table of the pair rows only, whose column headings
// are the texts of the header row ("Pair", "Rate") and whose rate cells have their row's pair as row
// heading, so that a cell is heard as "EUR/USD, Rate, 1.0818". On the screen the header row stays a row
// of the grid; Qt's own table interface would take it for data and name the columns after its hidden
// header view ("1", "2").
class RateGridAccessible final : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit RateGridAccessible(RateGrid *grid);
    ~RateGridAccessible() override;

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

    // The place among the children of the cell at a row and column of the grid (row 0 is the header row).
    static int childIndex(const RateGrid &grid, int gridRow, int column);
    // The interface of a cell addressed as the grid addresses it.
    QAccessibleInterface *gridCell(int gridRow, int column) const;
    RateGrid *grid() const;

private:
    mutable QHash<QPair<int, int>, QAccessible::Id> m_cells;
};

// Makes every rate grid use RateGridAccessible; the grid calls it as it is made.
void installRateGridAccessibility(RateGrid &grid);

} // namespace vantrel
