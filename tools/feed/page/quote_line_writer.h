// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quotes/pair_catalogue.h"
#include "quotes/price.h"

#include <QByteArray>

#include <array>
#include <optional>

namespace vantrel::feed {

// The two prices the page quotes for one pair, in units of 1e-4 like every price Vantrel reads.
struct QuotedPair {
    PriceUnits bid = 0;   // the first price on the line
    PriceUnits offer = 0; // the second
};

// Every pair's prices, in catalogue order.
using QuotedPairs = std::array<QuotedPair, kPairCount>;

// The text of one price field: the price with `decimals` decimals, right-aligned in `width` characters.
// When it does not fit, fewer decimals (rounded, halves away from zero) until it does; nothing when even
// the whole number is wider than the field.
std::optional<QByteArray> formatPriceField(PriceUnits price, int decimals, int width);

// The quote line, without its line end: every price at the position Vantrel reads it from, table
// markup in between. A price that cannot fit its field leaves the field blank.
QByteArray writeQuoteLine(const QuotedPairs &pairs);

} // namespace vantrel::feed
