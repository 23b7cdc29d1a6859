// SPDX-License-Identifier: GPL-3.0-or-later
#include "page/cross_rates.h"

#include "quotes/pair_catalogue.h"

#include <cmath>

namespace vantrel::feed {
namespace {

QString pairName(QStringView base, QStringView quote)
{
    return base.toString() + QLatin1Char('/') + quote.toString();
}

// Selling the quote currency is buying the base: bid and offer swap places as they are reciprocated.
LegQuote inverted(const LegQuote &leg)
{
    return {1.0 / leg.offer, 1.0 / leg.bid, leg.quotedAt};
}

std::optional<LegQuote> quotedEitherWay(const Legs &legs, QStringView base, QStringView quote)
{
    if (const auto direct = legs.find(pairName(base, quote)); direct != legs.end())
        return direct->second;
    if (const auto reverse = legs.find(pairName(quote, base)); reverse != legs.end())
        return inverted(reverse->second);
    return std::nullopt;
}

std::optional<LegQuote> valueInPivot(const Legs &legs, QStringView currency, QStringView pivot)
{
    if (currency == pivot)
        return LegQuote{1.0, 1.0, {}};
    return quotedEitherWay(legs, currency, pivot);
}

} // namespace

const QStringList &catalogueCurrencies()
{
    static const QStringList currencies{"USD", "EUR", "GBP", "AUD", "CAD", "CHF", "HKD", "JPY", "SGD"};
    return currencies;
}

std::optional<PriceUnits> priceUnitsOf(double price)
{
    if (!std::isfinite(price))
        return std::nullopt;
    // Ten decimals leave the binary error of the division behind; the price reading then rounds the
    // fourth decimal exactly as it rounds every price cut from a page.
    return parsePriceField(QString::number(price, 'f', 10));
}

DerivedPairs deriveCataloguePairs(const Legs &legs, QLatin1StringView pivot)
{
    const QString pivotCode(pivot);
    QuotedPairs pairs{};
    for (int i = 0; i < kPairCount; ++i) {
        const QString name = QLatin1StringView(pairCatalogue()[i].name);
        const QStringView base = QStringView(name).first(3);
        const QStringView quote = QStringView(name).last(3);
        std::optional<LegQuote> leg = quotedEitherWay(legs, base, quote);
        if (!leg) {
            const std::optional<LegQuote> baseValue = valueInPivot(legs, base, pivotCode);
            const std::optional<LegQuote> quoteValue = valueInPivot(legs, quote, pivotCode);
            if (!baseValue || !quoteValue) {
                const QStringView lacking = baseValue ? quote : base;
                return {std::nullopt, QStringLiteral("no price of %1 against %2, needed for %3")
                                          .arg(lacking, pivotCode, name)};
            }
            leg = LegQuote{baseValue->bid / quoteValue->offer, baseValue->offer / quoteValue->bid, {}};
        }
        const std::optional<PriceUnits> bid = priceUnitsOf(leg->bid);
        const std::optional<PriceUnits> offer = priceUnitsOf(leg->offer);
        if (!bid || !offer)
            return {std::nullopt, QStringLiteral("%1 comes out as no usable price").arg(name)};
        pairs[i] = {*bid, *offer};
    }
    return {pairs, QString()};
}

} // namespace vantrel::feed
