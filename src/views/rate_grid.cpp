// SPDX-License-Identifier: GPL-3.0-or-later
#include "rate_grid.h"

#include "toolkit/twips.h"
#include "views/rate_grid_accessible.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QPalette>
#include <QPointer>
#include <QTimer>

namespace vantrel {

namespace gridcolours {
QColor windowBackground() { return QApplication::palette().color(QPalette::Base); }
QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }
} // namespace gridcolours

namespace {
// The height every row has until told otherwise.
constexpr int kDefaultRowHeightTwips = 255;
} // namespace

RateGrid::RateGrid(int rows, int columns, int fixedRows, int fixedColumns, QColor fixedBackground,
                   QWidget *parent)
    : QTableWidget(rows, columns, parent)
    , m_fixedRows(fixedRows)
    , m_fixedColumns(fixedColumns)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(twipsToPixels(*this, kDefaultRowHeightTwips));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);

    QPalette colours = palette();
    colours.setColor(QPalette::Base, gridcolours::kOutside);
    setPalette(colours);
    setStyleSheet(QStringLiteral("QTableWidget { gridline-color: %1; }").arg(gridcolours::kLines.name()));

    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            auto *item = new QTableWidgetItem;
            const bool fixed = isFixedCell(row, column);
            item->setFlags(fixed ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setForeground(gridcolours::kText);
            item->setBackground(fixed ? fixedBackground : gridcolours::windowBackground());
            setItem(row, column, item);
        }
    }
    installRateGridAccessibility(*this);
}

void RateGrid::setColumnWidthTwips(int column, int twips)
{
    setColumnWidth(column, twipsToPixels(*this, twips));
}

void RateGrid::setRowHeightTwips(int row, int twips)
{
    setRowHeight(row, twipsToPixels(*this, twips));
}

QSize RateGrid::cellsSize() const
{
    int width = 0;
    for (int column = 0; column < columnCount(); ++column)
        width += columnWidth(column);
    int height = 0;
    for (int row = 0; row < rowCount(); ++row)
        height += rowHeight(row);
    return {width, height};
}

void RateGrid::setCellText(int row, int column, const QString &text)
{
    cell(row, column).setText(text);
}

QString RateGrid::cellText(int row, int column) const
{
    return cell(row, column).text();
}

void RateGrid::setCellBackground(int row, int column, const QColor &colour)
{
    cell(row, column).setBackground(colour);
}

QColor RateGrid::cellBackground(int row, int column) const
{
    return cell(row, column).background().color();
}

void RateGrid::focusInEvent(QFocusEvent *event)
{
    // The keyboard starts on the first rate rather than on a heading, which is not a cell to read.
    if (currentRow() < m_fixedRows && rowCount() > m_fixedRows && columnCount() > m_fixedColumns)
        setCurrentCell(m_fixedRows, m_fixedColumns);
    QTableWidget::focusInEvent(event);
    // Qt says the grid once it has the focus, after this event; the current cell is said after the grid.
    QTimer::singleShot(0, this, [grid = QPointer<RateGrid>(this)] {
        if (!grid || !grid->hasFocus() || grid->currentRow() < 0)
            return;
        QAccessibleEvent focus(grid.data(), QAccessible::Focus);
        focus.setChild(RateGridAccessible::childIndex(*grid, grid->currentRow(), grid->currentColumn()));
        QAccessible::updateAccessibility(&focus);
    });
}

bool RateGrid::isFixedCell(int row, int column) const
{
    return row < m_fixedRows || column < m_fixedColumns;
}

QTableWidgetItem &RateGrid::cell(int row, int column) const
{
    return *item(row, column);
}

} // namespace vantrel
