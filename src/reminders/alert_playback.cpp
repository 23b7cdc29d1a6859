// SPDX-License-Identifier: GPL-3.0-or-later
// The alert of a reminder that fired: the alert sound, "yours", the pair, "setprice", one to five times.
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/list_box.h"
#include "reminders/reminder_choices.h"
#include "speech/clip_names.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {

void Form1::startAlert(int entryIndex)
{
    reminders.alertPlaying = true;
    reminders.firedEntry = List3->item(entryIndex)->text();
    alertStarter();
    // A repeat text that is no count still gives the reminder one cycle, rather than silence with
    // both timers off.
    if (reminders.alertcount >= reminders.alerttimes) {
        reminders.alerttimes = reminders.alertcount + 1;
        mmcontrol10act();
    }
}

void Form1::alertStarter()
{
    const qsizetype count = repeatWords().indexOf(Combo5->currentText());
    if (count >= 0)
        reminders.alerttimes = int(count) + 1;
    if (reminders.alertcount < reminders.alerttimes)
        mmcontrol10act();
}

void Form1::mmcontrol10act()
{
    startPlayer(10, {10}, Combo4->currentText());
}

void Form1::alertPlayerDone(int number)
{
    switch (number) {
    case 10:
        startPlayer(11, {10, 11}, kYoursClip);
        break;
    case 11:
        startPlayer(12, {10, 11, 12}, reminders.alertclip);
        break;
    case 12:
        startPlayer(13, {10, 11, 12, 13}, kSetPriceClip);
        break;
    case 13:
        endOfAlertCycle();
        break;
    }
}

void Form1::endOfAlertCycle()
{
    ++reminders.alertcount;
    if (reminders.alertcount >= reminders.alerttimes) {
        endOfAlert();
        return;
    }
    alertStarter();
    // The count was lowered to the cycles already played: the alert is over.
    if (reminders.alertcount >= reminders.alerttimes)
        endOfAlert();
}

void Form1::endOfAlert()
{
    reminders.alertPlaying = false;
    // Entries may have been removed while the alert played: remove the one that fired, wherever it
    // stands now, or nothing if it is gone.
    int index = reminders.alertindex;
    if (index < 0 || index >= List3->count() || List3->item(index)->text() != reminders.firedEntry) {
        index = -1;
        for (int i = 0; i < List3->count() && index < 0; ++i) {
            if (List3->item(i)->text() == reminders.firedEntry)
                index = i;
        }
    }
    if (index >= 0)
        removeListItem(*List3, index);

    Timer2.enable();
    reminders.alerttimes = 0;
    startReadingPass();
    reading.lastlistentime = m_services.clock.secondsSinceMidnight();
    if (Command1->text() == QLatin1String("Cancel"))
        Timer1.enable();
    reminders.alertcount = 0;
}

} // namespace vantrel
