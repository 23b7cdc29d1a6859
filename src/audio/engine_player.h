// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wave_player.h"

#include <memory>

namespace vantrel {

class AudioEngine;
struct AudioClip;

// A player that plays its clips as a voice of the program's one output stream.
class EnginePlayer final : public WavePlayer
{
    Q_OBJECT

public:
    explicit EnginePlayer(AudioEngine &engine, QObject *parent = nullptr);
    ~EnginePlayer() override;

    void setDeviceType(const QString &deviceType) override { m_deviceType = deviceType; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    void setCommand(const QString &command) override;

private:
    enum class State { Closed, Open, Playing };

    void open();
    void play();
    void stop();
    void playEnded(quint64 play);

    AudioEngine &m_engine;
    QString m_deviceType;
    QString m_fileName;
    State m_state = State::Closed;
    std::shared_ptr<const AudioClip> m_clip;
    quint64 m_voice = 0;
    // Which play a completion belongs to: one from before a stop is dropped.
    quint64 m_play = 0;
};

} // namespace vantrel
