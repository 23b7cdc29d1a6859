// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading_state.h"

namespace vantrel {

class RateTable;

// Loads the pair of a selected-pairs entry into the reading state: its clip name and a copy of its
// current rate. An entry that is not a known pair leaves the state as it was.
void SelectSpokenPair(const QString &entry, const RateTable &rates, ReadingState &reading);

} // namespace vantrel
