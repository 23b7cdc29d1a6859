// SPDX-License-Identifier: GPL-3.0-or-later
#include "spoken_pair.h"

#include "quotes/pair_catalogue.h"
#include "quotes/rate_table.h"

namespace vantrel {

void SelectSpokenPair(const QString &entry, const RateTable &rates, ReadingState &reading)
{
    const std::optional<int> pair = findPair(entry);
    if (!pair)
        return;
    reading.speakrate = rates.rate(*pair);
    reading.speakclip = clipNameOf(entry);
}

} // namespace vantrel
