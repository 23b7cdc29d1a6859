// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_line_parser.h"

#include "pair_catalogue.h"
#include "price.h"
#include "quote_layout.h"

namespace vantrel {

QString QuoteFieldFailure::describe() const
{
    return QStringLiteral("%1: the price at %2 (\"%3\") is not a number")
        .arg(QLatin1String(pairCatalogue()[catalogueIndex].name))
        .arg(start)
        .arg(text);
}

QStringView cutField(QStringView line, int start, int width)
{
    const qsizetype from = start - 1;
    if (from >= line.size())
        return {};
    return line.mid(from, width);
}

std::optional<QString> readPairRate(QStringView line, const QuoteFieldLayout &field, int *failedStart)
{
    const std::optional<PriceUnits> first = parsePriceField(cutField(line, field.firstStart, field.width));
    if (!first) {
        if (failedStart)
            *failedStart = field.firstStart;
        return std::nullopt;
    }
    const std::optional<PriceUnits> second =
        parsePriceField(cutField(line, field.secondStart(), field.width));
    if (!second) {
        if (failedStart)
            *failedStart = field.secondStart();
        return std::nullopt;
    }
    return formatRate(midRateOf(*first, *second), pairCatalogue()[field.catalogueIndex].decimals);
}

QuoteLineOutcome readQuoteLine(QStringView line, RateTable &table)
{
    QuoteLineOutcome outcome;
    const auto &layout = quotePageLayout();
    for (int i = 0; i < int(layout.size()); ++i) {
        const QuoteFieldLayout &field = layout[i];
        int failedStart = 0;
        const std::optional<QString> rate = readPairRate(line, field, &failedStart);
        if (!rate) {
            outcome.failure = QuoteFieldFailure{i, field.catalogueIndex, failedStart,
                                                cutField(line, failedStart, field.width).toString()};
            return outcome;
        }
        table.store(field.catalogueIndex, *rate);
        ++outcome.pairsStored;
    }
    return outcome;
}

} // namespace vantrel
