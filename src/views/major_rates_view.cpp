// SPDX-License-Identifier: GPL-3.0-or-later
#include "major_rates_view.h"

namespace vantrel {

QStringList Form2::rowOrder()
{
    return {QStringLiteral("AUD/USD"), QStringLiteral("EUR/USD"), QStringLiteral("GBP/USD"),
            QStringLiteral("USD/CAD"), QStringLiteral("USD/CHF"), QStringLiteral("USD/JPY"),
            QStringLiteral("USD/HKD"), QStringLiteral("USD/SGD")};
}

Form2::Form2()
    : RateView(QStringLiteral("Major Rates"), rowOrder(), gridcolours::kFixedWhite)
{
    RateGrid &grid = MSFlexGrid1();
    const int pairs = int(rowPairs().size());
    for (int row = 1; row <= pairs; ++row)
        grid.setRowHeightTwips(row, 320);
    grid.setCellText(0, 0, QStringLiteral("Pair"));
    grid.setCellText(0, 1, QStringLiteral("Rate"));
    for (int row = 1; row <= pairs; ++row) {
        grid.setCellText(row, 0, rowPairs()[row - 1]);
        if (const std::optional<QColor> stripe = rateStripe(row))
            grid.setCellBackground(row, 0, *stripe);
    }
    fitToRows(grid.rowCount());
}

std::optional<QColor> Form2::rateStripe(int row) const
{
    if (row % 2 == 1)
        return gridcolours::kLightGreen;
    return std::nullopt;
}

} // namespace vantrel
