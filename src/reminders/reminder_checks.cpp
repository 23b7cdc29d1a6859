// SPDX-License-Identifier: GPL-3.0-or-later
// After every refresh: the first reminder whose pair has reached its threshold starts its alert.
#include "app/main_window.h"
#include "quotes/pair_catalogue.h"
#include "reminders/reminder_entry.h"

#include <QListWidget>

namespace vantrel {

void Form1::checkReminders()
{
    // The alert playing belongs to the entry that fired; checking again would take its place.
    if (reminders.alertPlaying)
        return;
    const int count = List3->count();
    for (int i = 0; i < count; ++i) {
        const std::optional<ReminderEntry> entry = parseReminderEntry(List3->item(i)->text());
        if (!entry)
            continue;
        reminders.alertclip = clipNameOf(entry->pair);
        reminders.alertindex = i;
        if (entry->firesAt(*rates.rateOf(entry->pair))) {
            Timer2.disable();
            Timer1.disable();
            startAlert(i);
            return;
        }
    }
}

} // namespace vantrel
