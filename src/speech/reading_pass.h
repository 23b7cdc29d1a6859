// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "speech/clip_players.h"
#include "speech/reading_state.h"

#include <QObject>
#include <QStringList>

#include <functional>

namespace vantrel {

class Clock;
class RateTable;

// What a reading pass reads from the user's choices, at the moment it needs it: the pairs picked to be
// listened to, top to bottom, and the states of "Prompt" and "Money Pair".
struct ReadingChoices {
    std::function<QStringList()> pickedPairs;
    std::function<bool()> prompt;
    std::function<bool()> moneyPair;
};

// A reading pass: the picked pairs, one after another, each spoken by the chain of players MMControl1 to
// MMControl8 (intro, pair name, the rate's characters), each player starting the next when it is done.
// Widget-free: the window hands it the choices, the rate table, the clock and the players.
class ReadingPass final : public QObject
{
    Q_OBJECT

public:
    ReadingPass(const RateTable &rates, Clock &clock, const PlayerFactory &makePlayer, QString programDirectory,
                ReadingChoices choices, QObject *parent = nullptr);

    // A whole pass from the first picked pair; whatever an earlier pass still plays is silenced first.
    void start();
    // One step of a pass: the pair at `speakindex` is chosen and its chain started, or the pass ends.
    void readandlisten();
    // The listening interval counts from now.
    void restartInterval();

    bool isPlaying() const { return reading.passPlaying; }
    WavePlayer &MMControl(int number) const { return m_players.player(number); }

    ReadingState reading;

signals:
    // The pass has read its last pair (or had none to read); the interval counts from now.
    void passEnded();

private:
    void playerDone(int number);
    void endOfPair();

    const RateTable &m_rates;
    Clock &m_clock;
    ReadingChoices m_choices;
    ClipPlayers m_players;
};

} // namespace vantrel
