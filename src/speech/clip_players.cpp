// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip_players.h"

#include "audio/wave_player.h"
#include "speech/clip_names.h"

namespace vantrel {

ClipPlayers::ClipPlayers(std::initializer_list<int> numbers, const PlayerFactory &makePlayer,
                         QString programDirectory, QObject *parent)
    : QObject(parent)
    , m_programDirectory(std::move(programDirectory))
{
    for (int number : numbers) {
        WavePlayer *player = makePlayer(this);
        player->setObjectName(QStringLiteral("MMControl%1").arg(number));
        m_players[number] = player;
        connect(player, &WavePlayer::Done, this, [this, number] { emit done(number); });
    }
}

WavePlayer &ClipPlayers::player(int number) const
{
    const auto found = m_players.find(number);
    Q_ASSERT(found != m_players.end());
    return *found->second;
}

void ClipPlayers::silence(int number)
{
    player(number).setCommand(QStringLiteral("stop"));
    player(number).setCommand(QStringLiteral("close"));
}

void ClipPlayers::start(int number, std::initializer_list<int> silenceList, const QString &clipName)
{
    for (int silenced : silenceList)
        silence(silenced);
    WavePlayer &started = player(number);
    started.setDeviceType(QStringLiteral("WaveAudio"));
    started.setFileName(clipPath(m_programDirectory, clipName));
    started.setCommand(QStringLiteral("open"));
    started.setCommand(QStringLiteral("play"));
}

void ClipPlayers::silenceAll()
{
    for (const auto &[number, player] : m_players)
        silence(number);
}

} // namespace vantrel
