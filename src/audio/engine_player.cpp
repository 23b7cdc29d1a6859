// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine_player.h"

#include "audio_engine.h"

namespace vantrel {

EnginePlayer::EnginePlayer(AudioEngine &engine, QObject *parent)
    : WavePlayer(parent)
    , m_engine(engine)
{
}

EnginePlayer::~EnginePlayer()
{
    stop();
}

void EnginePlayer::setCommand(const QString &command)
{
    if (command == QLatin1String("stop")) {
        stop();
    } else if (command == QLatin1String("close")) {
        stop();
        m_clip.reset();
        m_state = State::Closed;
    } else if (command == QLatin1String("open")) {
        open();
    } else if (command == QLatin1String("play")) {
        play();
    }
}

void EnginePlayer::open()
{
    stop();
    m_clip = m_deviceType == QLatin1String("WaveAudio") ? m_engine.clip(m_fileName) : nullptr;
    m_state = State::Open;
}

void EnginePlayer::play()
{
    stop();
    const quint64 play = ++m_play;
    m_state = State::Playing;
    // A clip that cannot be played is played as nothing: it ends at once, so whatever waits for it goes
    // on, and the engine keeps the stream from running on in silence until the next clip has started.
    static const auto nothing = std::make_shared<const AudioClip>();
    m_voice = m_engine.play(m_clip ? m_clip : nothing, this, [this, play] { playEnded(play); });
}

void EnginePlayer::stop()
{
    if (m_state != State::Playing)
        return;
    m_engine.stop(m_voice);
    m_voice = 0;
    ++m_play;
    m_state = State::Open;
}

void EnginePlayer::playEnded(quint64 play)
{
    if (play != m_play || m_state != State::Playing)
        return;
    m_voice = 0;
    m_state = State::Open;
    emit Done();
}

} // namespace vantrel
