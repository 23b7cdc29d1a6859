// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/quote_line_writer.h"
#include "page/source_legs.h"

#include <QLatin1StringView>

namespace vantrel::feed {

// The nine currencies of the catalogue.
const QStringList &catalogueCurrencies();

// A price in the page's exact units, rounded the way every quoted price is; nothing when it is too big
// to be a price.
std::optional<PriceUnits> priceUnitsOf(double price);

// All 35 catalogue pairs from legs a source gave at one moment. A pair the source quotes either way
// round is taken from it, inverted if need be; any other is crossed through `pivot` as a dealer does:
// each currency valued in the pivot with a bid and an offer, then A/B bid = A bid / B offer and
// A/B offer = A offer / B bid.
struct DerivedPairs {
    std::optional<QuotedPairs> pairs;
    QString missing; // when there are no pairs: what the legs lack
};
DerivedPairs deriveCataloguePairs(const Legs &legs, QLatin1StringView pivot);

} // namespace vantrel::feed
