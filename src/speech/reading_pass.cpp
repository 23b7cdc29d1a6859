// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_pass.h"

#include "platform/clock.h"
#include "speech/clip_names.h"
#include "speech/spoken_pair.h"

namespace vantrel {

ReadingPass::ReadingPass(const RateTable &rates, Clock &clock, const PlayerFactory &makePlayer,
                         QString programDirectory, ReadingChoices choices, QObject *parent)
    : QObject(parent)
    , m_rates(rates)
    , m_clock(clock)
    , m_choices(std::move(choices))
    , m_players({1, 2, 3, 4, 5, 6, 7, 8}, makePlayer, std::move(programDirectory), this)
{
    connect(&m_players, &ClipPlayers::done, this, &ReadingPass::playerDone);
}

void ReadingPass::start()
{
    // Only one chain ever runs.
    m_players.silenceAll();
    reading.speakindex = 0;
    readandlisten();
}

void ReadingPass::readandlisten()
{
    // The list is read at every step: pairs added or removed during a pass count.
    const QStringList pairs = m_choices.pickedPairs();
    if (reading.speakindex >= 0 && reading.speakindex <= pairs.size() - 1) {
        SelectSpokenPair(pairs.at(reading.speakindex), m_rates, reading);
        reading.passPlaying = true;
        if (reading.speakindex == 0 && m_choices.prompt())
            m_players.start(1, {8, 1}, kIntroClip);
        else if (m_choices.moneyPair())
            m_players.start(2, {8, 1, 2}, reading.speakclip);
        else
            m_players.start(3, {8, 1, 2, 3}, characterClip(reading.speakrate, 1));
        return;
    }

    reading.passPlaying = false;
    restartInterval();
    emit passEnded();
}

void ReadingPass::restartInterval()
{
    reading.lastlistentime = m_clock.secondsSinceMidnight();
}

void ReadingPass::playerDone(int number)
{
    // Players 3 to 8 speak the first six characters of the rate, one each.
    const auto character = [this](int player) { return characterClip(reading.speakrate, player - 2); };
    switch (number) {
    case 1:
        // "Money Pair" is read now, so a change while the intro plays counts for this pair.
        if (m_choices.moneyPair())
            m_players.start(2, {1, 2}, reading.speakclip);
        else
            m_players.start(3, {8, 1, 2, 3}, character(3));
        break;
    case 2:
        m_players.start(3, {1, 2, 3}, character(3));
        break;
    case 3:
        m_players.start(4, {1, 2, 3, 4}, character(4));
        break;
    case 4:
        m_players.start(5, {1, 2, 3, 4, 5}, character(5));
        break;
    case 5:
        m_players.start(6, {1, 2, 3, 4, 5, 6}, character(6));
        break;
    case 6:
        m_players.start(7, {1, 2, 3, 4, 5, 6, 7}, character(7));
        break;
    case 7:
        m_players.start(8, {1, 2, 3, 4, 5, 6, 7, 8}, character(8));
        break;
    case 8:
        endOfPair();
        break;
    }
}

void ReadingPass::endOfPair()
{
    ++reading.speakindex;
    readandlisten();
}

} // namespace vantrel
