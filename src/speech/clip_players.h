// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <initializer_list>
#include <map>

namespace vantrel {

class WavePlayer;

// Makes one wave player, owned by the given parent: the real one plays on the audio engine, tests record.
using PlayerFactory = std::function<WavePlayer *(QObject *parent)>;

// A numbered set of players (`MMControl1` to `MMControl8`, or `MMControl10` to `MMControl13`) that play
// the clips of the program's sound folder, each one started after silencing the players of its silence
// list, so that a chain never has two clips sounding at once.
class ClipPlayers final : public QObject
{
    Q_OBJECT

public:
    ClipPlayers(std::initializer_list<int> numbers, const PlayerFactory &makePlayer, QString programDirectory,
                QObject *parent = nullptr);

    WavePlayer &player(int number) const;
    // Stops and closes the players of the silence list (the started one is its last), then plays the clip.
    void start(int number, std::initializer_list<int> silenceList, const QString &clipName);
    // Stops and closes every player of the set.
    void silenceAll();

signals:
    // The player `number` has finished its clip.
    void done(int number);

private:
    void silence(int number);

    std::map<int, WavePlayer *> m_players;
    QString m_programDirectory;
};

} // namespace vantrel
