// SPDX-License-Identifier: GPL-3.0-or-later
#include "alert_playback.h"

#include "quotes/pair_catalogue.h"
#include "quotes/rate_table.h"
#include "reminders/reminder_choices.h"
#include "reminders/reminder_entry.h"
#include "speech/clip_names.h"

namespace vantrel {

AlertPlayback::AlertPlayback(const PlayerFactory &makePlayer, QString programDirectory, AlertChoices choices,
                             QObject *parent)
    : QObject(parent)
    , m_choices(std::move(choices))
    , m_players({10, 11, 12, 13}, makePlayer, std::move(programDirectory), this)
{
    connect(&m_players, &ClipPlayers::done, this, &AlertPlayback::playerDone);
}

std::optional<int> AlertPlayback::reminderToFire(const QStringList &entries, const RateTable &rates)
{
    if (reminders.alertPlaying)
        return std::nullopt;
    for (int i = 0; i < entries.size(); ++i) {
        const std::optional<ReminderEntry> entry = parseReminderEntry(entries.at(i));
        if (!entry)
            continue;
        reminders.alertclip = clipNameOf(entry->pair);
        reminders.alertindex = i;
        if (entry->firesAt(*rates.rateOf(entry->pair)))
            return i;
    }
    return std::nullopt;
}

void AlertPlayback::start(const QString &entry)
{
    reminders.alertPlaying = true;
    reminders.firedEntry = entry;
    alertStarter();
    // A repeat text that is no count still gives the reminder one cycle, rather than silence with
    // both timers off.
    if (reminders.alertcount >= reminders.alerttimes) {
        reminders.alerttimes = reminders.alertcount + 1;
        mmcontrol10act();
    }
}

void AlertPlayback::alertStarter()
{
    const qsizetype count = repeatWords().indexOf(m_choices.repeatText());
    if (count >= 0)
        reminders.alerttimes = int(count) + 1;
    if (reminders.alertcount < reminders.alerttimes)
        mmcontrol10act();
}

void AlertPlayback::mmcontrol10act()
{
    m_players.start(10, {10}, m_choices.sound());
}

void AlertPlayback::resetCycles()
{
    reminders.alerttimes = 0;
    reminders.alertcount = 0;
}

void AlertPlayback::playerDone(int number)
{
    switch (number) {
    case 10:
        m_players.start(11, {10, 11}, kYoursClip);
        break;
    case 11:
        m_players.start(12, {10, 11, 12}, reminders.alertclip);
        break;
    case 12:
        m_players.start(13, {10, 11, 12, 13}, kSetPriceClip);
        break;
    case 13:
        endOfAlertCycle();
        break;
    }
}

void AlertPlayback::endOfAlertCycle()
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

void AlertPlayback::endOfAlert()
{
    reminders.alertPlaying = false;
    resetCycles();
    emit alertEnded(reminders.firedEntry, reminders.alertindex);
}

std::optional<int> firedEntryRow(const QStringList &entries, int alertindex, const QString &firedEntry)
{
    if (alertindex >= 0 && alertindex < entries.size() && entries.at(alertindex) == firedEntry)
        return alertindex;
    const qsizetype row = entries.indexOf(firedEntry);
    return row >= 0 ? std::optional<int>(int(row)) : std::nullopt;
}

} // namespace vantrel
