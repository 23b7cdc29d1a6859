// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantrel {

// Where a reading pass stands: which entry of the selected-pairs list is being read, and what is said.
struct ReadingState {
    int speakindex = 0;
    QString speakrate;     // the rate text being spoken, copied when the pair was chosen
    QString speakclip;     // the pair's clip name
    int lastlistentime = 0; // time of day, in seconds, from which the listening interval counts
    bool passPlaying = false;
};

} // namespace vantrel
