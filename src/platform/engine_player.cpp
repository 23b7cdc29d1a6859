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
    if (!m_clip) {
        // A clip that cannot be played ends at once, so whatever waits for it goes on.
        QMetaObject::invokeMethod(this, [this, play] { playEnded(play); }, Qt::QueuedConnection);
        return;
    }
    m_voice = m_engine.play(m_clip, this, [this, play] { playEnded(play); });
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
