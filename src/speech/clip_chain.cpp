// SPDX-License-Identifier: GPL-3.0-or-later
// The reading players MMControl1 to MMControl8: each plays one clip of a pair and, when it is done,
// starts the next player with the next clip.
#include "app/main_window.h"
#include "platform/wave_player.h"
#include "speech/clip_names.h"

#include <QCheckBox>

namespace vantrel {

void Form1::createPlayers()
{
    for (int number : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13}) {
        WavePlayer *player = m_services.makePlayer(this);
        player->setObjectName(QStringLiteral("MMControl%1").arg(number));
        m_players[std::size_t(number)] = player;
        if (number <= 7)
            connect(player, &WavePlayer::Done, this, [this, number] { readingPlayerDone(number); });
        else if (number == 8)
            connect(player, &WavePlayer::Done, this, &Form1::endOfPair);
        else
            connect(player, &WavePlayer::Done, this, [this, number] { alertPlayerDone(number); });
    }
}

WavePlayer &Form1::MMControl(int number) const
{
    Q_ASSERT(number >= 1 && number <= 13 && number != 9);
    return *m_players[std::size_t(number)];
}

void Form1::startPlayer(int number, std::initializer_list<int> silenceList, const QString &clipName)
{
    for (int silenced : silenceList) {
        MMControl(silenced).setCommand(QStringLiteral("stop"));
        MMControl(silenced).setCommand(QStringLiteral("close"));
    }
    WavePlayer &player = MMControl(number);
    player.setDeviceType(QStringLiteral("WaveAudio"));
    player.setFileName(clipPath(m_services.programDirectory, clipName));
    player.setCommand(QStringLiteral("open"));
    player.setCommand(QStringLiteral("play"));
}

void Form1::readingPlayerDone(int number)
{
    // Players 3 to 8 speak the first six characters of the rate, one each.
    const auto character = [this](int player) { return characterClip(reading.speakrate, player - 2); };
    switch (number) {
    case 1:
        // "Money Pair" is read now, so a change while the intro plays counts for this pair.
        if (Check2->isChecked())
            startPlayer(2, {1, 2}, reading.speakclip);
        else
            startPlayer(3, {8, 1, 2, 3}, character(3));
        break;
    case 2:
        startPlayer(3, {1, 2, 3}, character(3));
        break;
    case 3:
        startPlayer(4, {1, 2, 3, 4}, character(4));
        break;
    case 4:
        startPlayer(5, {1, 2, 3, 4, 5}, character(5));
        break;
    case 5:
        startPlayer(6, {1, 2, 3, 4, 5, 6}, character(6));
        break;
    case 6:
        startPlayer(7, {1, 2, 3, 4, 5, 6, 7}, character(7));
        break;
    case 7:
        startPlayer(8, {1, 2, 3, 4, 5, 6, 7, 8}, character(8));
        break;
    }
}

} // namespace vantrel
