// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantrel {

// What the reminder subsystem remembers about the reminder that fired and its alert.
struct ReminderState {
    int alerttimes = 0;  // alert cycles to play, 0 to 5
    int alertcount = 0;  // alert cycles played so far
    QString alertclip;   // the clip name of the pair that fired, "eurusd"
    int alertindex = 0;  // the position of the entry that fired in the reminder list

    // From the firing of a reminder until its alert has ended, and the entry that fired, so that the
    // right one is removed even if the list changed meanwhile.
    bool alertPlaying = false;
    QString firedEntry;
};

} // namespace vantrel
