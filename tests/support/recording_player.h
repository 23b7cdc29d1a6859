// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/wave_player.h"

#include <QFileInfo>
#include <QList>
#include <QStringList>

namespace vantrel::test {

class RecordingPlayer;

// One start of a player as the log shows it: everything the players were told from the end of the
// previous start (or the beginning of the log) to this player's "play".
struct PlayerStart {
    QString player;    // "MMControl3"
    QStringList before; // what came before "DeviceType=": "MMControl8 stop", "MMControl8 close", ...
    QStringList start;  // "DeviceType=WaveAudio", "FileName=...", "open", "play" as told to `player`
};

// What all players of one window were told, in order.
struct PlayerLog {
    QStringList commands;                // "MMControl3 stop", "MMControl3 FileName=/.../1m.wav", ...
    QStringList played;                  // clip names, in the order their plays began
    QStringList playedBy;                // "MMControl3", alongside `played`
    QList<RecordingPlayer *> players;

    // The players that are playing now.
    QList<RecordingPlayer *> playing() const;
    // The starts in `commands`, in order.
    QList<PlayerStart> starts() const;
    // Lets the playing clips end one after another until nothing plays; returns what was played from the
    // clip playing now on. Two players playing at once stop the test.
    QStringList playToEnd(int maxClips = 500);
    // Lets the next `clips` clips end, one after another.
    void finishClips(int clips);
};

// A player that plays nothing: it records what it is told and ends a play when the test says so.
class RecordingPlayer final : public WavePlayer
{
    Q_OBJECT

public:
    RecordingPlayer(PlayerLog &log, QObject *parent)
        : WavePlayer(parent)
        , m_log(log)
    {
        m_log.players << this;
    }
    ~RecordingPlayer() override { m_log.players.removeAll(this); }

    void setDeviceType(const QString &deviceType) override { record(QStringLiteral("DeviceType=") + deviceType); }
    void setFileName(const QString &fileName) override
    {
        m_fileName = fileName;
        record(QStringLiteral("FileName=") + fileName);
    }
    void setCommand(const QString &command) override
    {
        record(command);
        if (command == QLatin1String("play")) {
            isPlaying = true;
            m_log.played << QFileInfo(m_fileName).completeBaseName();
            m_log.playedBy << objectName();
        } else if (command == QLatin1String("stop") || command == QLatin1String("close")) {
            isPlaying = false;
        }
    }

    // The clip has been heard to its end.
    void finish()
    {
        if (!isPlaying)
            return;
        isPlaying = false;
        emit Done();
    }

    bool isPlaying = false;

private:
    void record(const QString &what) { m_log.commands << objectName() + QLatin1Char(' ') + what; }

    PlayerLog &m_log;
    QString m_fileName;
};

inline QList<RecordingPlayer *> PlayerLog::playing() const
{
    QList<RecordingPlayer *> result;
    for (RecordingPlayer *player : players) {
        if (player->isPlaying)
            result << player;
    }
    return result;
}

// What a start sequence tells the players of a silence list: "stop", then "close", each in turn.
inline QStringList silencing(const QList<int> &silenceList)
{
    QStringList commands;
    for (int number : silenceList)
        commands << QStringLiteral("MMControl%1 stop").arg(number) << QStringLiteral("MMControl%1 close").arg(number);
    return commands;
}

// What the started player itself is told, for a clip of the sound directory under `programDirectory`.
inline QStringList playingClip(const QString &programDirectory, const QString &clip)
{
    return {QStringLiteral("DeviceType=WaveAudio"),
            QStringLiteral("FileName=") + programDirectory + QStringLiteral("/sound/") + clip + QStringLiteral(".wav"),
            QStringLiteral("open"), QStringLiteral("play")};
}

inline QStringList PlayerLog::playToEnd(int maxClips)
{
    // The clip playing now counts as the first.
    const qsizetype before = played.size() - playing().size();
    for (int i = 0; i < maxClips; ++i) {
        const QList<RecordingPlayer *> now = playing();
        if (now.isEmpty())
            break;
        if (now.size() > 1)
            qFatal("two players are playing at once");
        now.first()->finish();
    }
    return played.mid(before);
}

inline void PlayerLog::finishClips(int clips)
{
    for (int i = 0; i < clips; ++i)
        playing().first()->finish();
}

inline QList<PlayerStart> PlayerLog::starts() const
{
    QList<PlayerStart> result;
    QStringList pending;
    PlayerStart *current = nullptr;
    for (const QString &command : commands) {
        const QString player = command.section(QLatin1Char(' '), 0, 0);
        const QString what = command.section(QLatin1Char(' '), 1);
        if (!current && what.startsWith(QLatin1String("DeviceType="))) {
            result.append({player, pending, {}});
            pending.clear();
            current = &result.last();
        }
        if (!current) {
            pending << command;
            continue;
        }
        current->start << (player == current->player ? what : command);
        if (player == current->player && what == QLatin1String("play"))
            current = nullptr;
    }
    return result;
}

} // namespace vantrel::test
