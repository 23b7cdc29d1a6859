// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rate_grid.h"

#include <QStringList>
#include <QWidget>

#include <optional>

namespace vantrel {

class RateTable;

// A small window with one two-column grid: pair names and their rates, one pair per row from row 1.
// Closing it discards it; the main window makes a new one when it next writes rates.
class RateView : public QWidget
{
    Q_OBJECT

public:
    RateGrid &MSFlexGrid1() { return *m_grid; }
    const QStringList &rowPairs() const { return m_rowPairs; }

    // This view's part of the rate view update: every rate cell rewritten from the table.
    void showRates(const RateTable &rates);

protected:
    RateView(const QString &caption, QStringList rowPairs, const QColor &fixedBackground);

    // The background a row's rate cell takes at every update; nothing leaves the cell as it is.
    virtual std::optional<QColor> rateStripe(int row) const = 0;

    // Sizes the window around the grid, showing this many rows before the grid scrolls.
    void fitToRows(int visibleRows);

private:
    QStringList m_rowPairs;
    RateGrid *m_grid;
};

} // namespace vantrel
