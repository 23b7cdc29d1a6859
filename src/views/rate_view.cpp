// SPDX-License-Identifier: GPL-3.0-or-later
#include "rate_view.h"

#include "quotes/rate_table.h"
#include "toolkit/program_icon.h"
#include "toolkit/title_bar.h"

#include <QScrollBar>

#include <algorithm>

namespace vantrel {

RateView::RateView(const QString &caption, QStringList rowPairs, const QColor &fixedBackground)
    : m_rowPairs(std::move(rowPairs))
    , m_grid(new RateGrid(int(m_rowPairs.size()) + 1, 2, 1, 1, fixedBackground, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setWindowIcon(programIcon());
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setAccessibleName(caption);
    m_grid->setColumnWidthTwips(0, 900);
    m_grid->setColumnWidthTwips(1, 1080);
}

void RateView::showRates(const RateTable &rates)
{
    for (int row = 1; row <= int(m_rowPairs.size()); ++row) {
        m_grid->setCellText(row, 1, rates.rateOf(m_rowPairs[row - 1]).value_or(QString()));
        if (const std::optional<QColor> stripe = rateStripe(row))
            m_grid->setCellBackground(row, 1, *stripe);
    }
}

void RateView::fitToRows(int visibleRows)
{
    const QSize cells = m_grid->cellsSize();
    int height = 0;
    for (int row = 0; row < std::min(visibleRows, m_grid->rowCount()); ++row)
        height += m_grid->rowHeight(row);
    const int frame = 2 * m_grid->frameWidth();
    const bool scrolls = visibleRows < m_grid->rowCount();
    const int gridWidth = cells.width() + frame + (scrolls ? m_grid->verticalScrollBar()->sizeHint().width() : 0);
    // Two columns make a window too narrow for its caption; the grid then fills the wider window and
    // shows its grey outside area right of the cells.
    const int width = std::max(gridWidth, titleBarWidth(windowTitle(), font()));
    m_grid->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m_grid->setGeometry(0, 0, width, height + frame);
    setFixedSize(width, height + frame);
}

} // namespace vantrel
