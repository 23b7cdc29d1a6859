// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// Prices are exact decimals: a quoted price in units of 1e-4, a mid rate in units of 1e-5.
// Binary floating point never touches a price.
namespace vantrel {

using PriceUnits = std::int64_t;   // 1e-4
using MidRateUnits = std::int64_t; // 1e-5

// A price field cut from the quote line, as a number with four decimals. Blanks around the number are
// ignored, "," may separate digit groups of the integer part; an empty field or anything else that is
// not a number gives nothing. Digits past the fourth decimal are rounded, halves away from zero.
std::optional<PriceUnits> parsePriceField(QStringView field);

// `value` divided by `divisor`, a power of ten, with halves rounded away from zero: how every price
// drops decimals, whether read, spoken or written.
std::int64_t divideRounded(std::int64_t value, std::int64_t divisor);

// The exact mean of the two prices of a pair: at most five decimals, so it is exact in 1e-5.
constexpr MidRateUnits midRateOf(PriceUnits first, PriceUnits second) { return (first + second) * 5; }

// The rate text: "##,##0.0000" for four decimals, "##,##0.00" for two; halves rounded away from zero.
QString formatRate(MidRateUnits midRate, int decimals);

} // namespace vantrel
