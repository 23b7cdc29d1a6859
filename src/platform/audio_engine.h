// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio_clip.h"
#include "audio_mixer.h"

#include <QAudioFormat>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QAudioSink;

namespace vantrel {

// One output stream for every player of the program. Each play is a voice mixed into the stream;
// when a voice's last sample has gone into the stream, its completion runs through the event loop,
// so a clip started from that completion follows with no gap. Without a sound device plays take
// their clips' length on a timer instead, and the program behaves the same.
//
// When nothing has played for a few seconds the stream rests: it stops pulling silence and is then
// paused, so that the idle program costs nothing and the sound device may go to sleep. The next play
// wakes it; a chain of clips never pauses long enough for that.
class AudioEngine : public QObject
{
    Q_OBJECT

public:
    enum class Output { DefaultDevice, None };

    explicit AudioEngine(Output output = Output::DefaultDevice, QObject *parent = nullptr);
    ~AudioEngine() override;

    bool hasDevice() const { return m_sink != nullptr; }
    int sampleRate() const { return m_format.sampleRate(); }

    // A clip decoded at the output's rate, kept for the rest of the run; nothing when unreadable.
    std::shared_ptr<const AudioClip> clip(const QString &path);

    // Starts a voice. `finished` runs in `context`'s thread through the event loop once the clip has
    // gone into the output (or after its length without a device); never if `context` is gone.
    quint64 play(std::shared_ptr<const AudioClip> clip, QObject *context, std::function<void()> finished);
    // Silences a voice at once; its completion does not run.
    void stop(quint64 voice);

    // How long the stream runs on with nothing to play before it rests.
    static constexpr int kRestAfterMs = 3000;
    bool isResting() const { return m_mixer && m_mixer->isResting(); }

private:
    void openDevice();
    void fallBackToTimedPlays();
    void finishLater(const AudioVoice &voice);
    void finishAfter(const AudioVoice &voice, qint64 milliseconds);
    void restWhenQuiet();
    void rest();
    void pause();
    void wake();

    QAudioFormat m_format;
    QAudioSink *m_sink = nullptr;
    std::unique_ptr<AudioMixer> m_mixer;
    QHash<QString, std::shared_ptr<const AudioClip>> m_clips;
    QHash<quint64, QMetaObject::Connection> m_timedVoices;
    quint64 m_nextVoice = 1;
    QTimer m_restTimer;
    QTimer m_pauseTimer;
};

} // namespace vantrel
