// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder_state.h"
#include "speech/clip_players.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace vantrel {

class RateTable;

// What an alert reads from the user's choices when a cycle starts: the alert sound ("Sound") and the
// repeat word ("Times").
struct AlertChoices {
    std::function<QString()> sound;
    std::function<QString()> repeatText;
};

// The reminder checks and the alert of a reminder that fired: the alert sound, "yours", the pair,
// "setprice", one to five times, on players MMControl10 to MMControl13. Widget-free: the window hands it
// the reminder entries, the rate table and the players, and removes the entry once the alert has ended.
class AlertPlayback final : public QObject
{
    Q_OBJECT

public:
    AlertPlayback(const PlayerFactory &makePlayer, QString programDirectory, AlertChoices choices,
                  QObject *parent = nullptr);

    // The position of the first entry whose pair has reached its threshold, or nothing. Every entry
    // checked is remembered (`alertclip`, `alertindex`) as it is checked. While an alert plays nothing
    // is checked: it belongs to the entry that fired.
    std::optional<int> reminderToFire(const QStringList &entries, const RateTable &rates);
    // The alert of the entry at `alertindex`, whose text is `entry`.
    void start(const QString &entry);
    // Starts another cycle if the repeat word asks for more than have played: the click of the window's
    // hidden Command9, which only the program makes.
    void alertStarter();
    // One alert cycle from its sound.
    void mmcontrol10act();
    // A changed reminder list or pair starts the count of cycles afresh.
    void resetCycles();

    bool isPlaying() const { return reminders.alertPlaying; }
    WavePlayer &MMControl(int number) const { return m_players.player(number); }

    ReminderState reminders;

signals:
    // The alert of `firedEntry`, which stood at `alertindex` when it fired, has played its cycles.
    void alertEnded(const QString &firedEntry, int alertindex);

private:
    void playerDone(int number);
    void endOfAlertCycle();
    void endOfAlert();

    AlertChoices m_choices;
    ClipPlayers m_players;
};

// Where the entry that fired stands in `entries` now: at `alertindex` if it is still there, otherwise
// its first place, or nothing if it was removed while its alert played.
std::optional<int> firedEntryRow(const QStringList &entries, int alertindex, const QString &firedEntry);

} // namespace vantrel
