// SPDX-License-Identifier: GPL-3.0-or-later
#include "cross_rates_view.h"

#include "quotes/pair_catalogue.h"

namespace vantrel {
namespace {

// Light green and light orange take turns from one base currency to the next.
QColor groupColour(const QString &pair)
{
    static const QStringList greenBases{QStringLiteral("AUD"), QStringLiteral("CHF"), QStringLiteral("GBP")};
    return greenBases.contains(pair.left(3)) ? gridcolours::kLightGreen : gridcolours::kLightOrange;
}

// Enough rows to show a useful part of the list; the grid scrolls for the rest.
constexpr int kVisibleRows = 14;

} // namespace

Form3::Form3()
    : RateView(QStringLiteral("Cross Rates"), pairNamesOfType(PairType::Cross), gridcolours::buttonFace())
{
    RateGrid &grid = MSFlexGrid1();
    const int pairs = int(rowPairs().size());
    for (int row = 0; row <= pairs; ++row)
        grid.setRowHeightTwips(row, 320);
    grid.setCellText(0, 0, QStringLiteral("Pair"));
    grid.setCellText(0, 1, QStringLiteral("Rate"));
    grid.setCellBackground(0, 0, gridcolours::windowBackground());
    grid.setCellBackground(0, 1, gridcolours::windowBackground());
    for (int row = 1; row <= pairs; ++row) {
        const QColor colour = groupColour(rowPairs()[row - 1]);
        grid.setCellText(row, 0, rowPairs()[row - 1]);
        grid.setCellBackground(row, 0, colour);
        grid.setCellText(row, 1, QString());
        grid.setCellBackground(row, 1, colour);
    }
    fitToRows(kVisibleRows);
}

std::optional<QColor> Form3::rateStripe(int row) const
{
    return groupColour(rowPairs()[row - 1]);
}

} // namespace vantrel
