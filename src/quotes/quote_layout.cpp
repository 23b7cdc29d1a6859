// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_layout.h"

#include <algorithm>

namespace vantrel {

const std::array<QuoteFieldLayout, 35> &quotePageLayout()
{
    // The positions of the bank's page, measured once; catalogue positions in the first column.
    static constexpr std::array<QuoteFieldLayout, 35> layout{{
        {0, 608, 6},    {1, 6721, 6},   {2, 11818, 6},  {3, 3666, 6},   {4, 5194, 6},
        {5, 3156, 6},   {7, 4684, 6},   {6, 4174, 6},   {8, 1121, 6},   {9, 2648, 6},
        {10, 97, 6},    {11, 1632, 5},  {12, 2135, 6},  {13, 9269, 6},  {14, 9779, 5},
        {15, 10281, 6}, {16, 16904, 6}, {17, 16392, 6}, {18, 17414, 5}, {19, 17916, 6},
        {20, 6213, 6},  {21, 7231, 6},  {22, 8759, 6},  {23, 5702, 6},  {24, 7739, 6},
        {25, 8249, 6},  {26, 11310, 6}, {27, 12836, 6}, {28, 14364, 6}, {29, 12326, 6},
        {30, 10789, 7}, {31, 13344, 6}, {32, 13854, 6}, {33, 15382, 6}, {34, 15892, 5},
    }};
    return layout;
}

int quoteLineMinimumLength()
{
    int end = 0;
    for (const QuoteFieldLayout &field : quotePageLayout())
        end = std::max(end, field.secondStart() + field.width - 1);
    return end;
}

} // namespace vantrel
