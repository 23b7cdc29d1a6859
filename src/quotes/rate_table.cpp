// SPDX-License-Identifier: GPL-3.0-or-later
#include "rate_table.h"

namespace vantrel {

std::optional<QString> RateTable::rateOf(const QString &pairName) const
{
    const std::optional<int> index = findPair(pairName);
    if (!index)
        return std::nullopt;
    return m_rates[*index];
}

} // namespace vantrel
