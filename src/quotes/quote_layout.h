// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace vantrel {

// Where one pair's two prices stand on the quote line. Positions count characters from 1.
struct QuoteFieldLayout {
    int catalogueIndex;
    int firstStart;
    int width;

    // The second price starts 38 characters after the end of the first.
    constexpr int secondStart() const { return firstStart + width + 38; }
};

inline constexpr int kQuoteLineNumber = 106;

// The 35 pairs in parse order: catalogue order, except that USD/SGD comes before USD/JPY.
const std::array<QuoteFieldLayout, 35> &quotePageLayout();

// The quote line must reach at least this far for all 35 pairs to be read.
int quoteLineMinimumLength();

} // namespace vantrel
