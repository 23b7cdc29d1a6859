#pragma once

#include <QString>

namespace vantrel {

// What the reminder subsystem remembers about the reminder that fired and its alert.
struct ReminderState {
    int alerttimes = 0;  // alert cycles to play, 0 to 5
    int alertcount = 0;  // alert cycles played so far
    QString alertclip;   // the clip name of the pair that fired, "eurusd"
    int alertindex = 0;  // the position of the entry that fired in the reminder list
};

} // namespace vantrel
