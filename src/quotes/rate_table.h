// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pair_catalogue.h"

#include <QString>

#include <array>
#include <optional>

namespace vantrel {

// The current rate text of every catalogue pair. Empty until a refresh has read the pair;
// only the refresh writes it, and an entry never returns to empty once filled.
class RateTable
{
public:
    // The rate text of the pair at a catalogue position.
    const QString &rate(int catalogueIndex) const { return m_rates.at(catalogueIndex); }

    // The rate text of a pair by name; nothing for a name that is not in the catalogue.
    std::optional<QString> rateOf(const QString &pairName) const;

    // Replaces one entry; used by the refresh alone.
    void store(int catalogueIndex, const QString &rateText) { m_rates.at(catalogueIndex) = rateText; }

private:
    std::array<QString, kPairCount> m_rates;
};

} // namespace vantrel
