// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio_clip.h"
#include "audio_mixer.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class QAudioDevice;
class QAudioSink;
class QMediaDevices;

namespace vantrel {

// The output stream and its mixer, on the audio thread that AudioEngine gives them. Everything that
// talks to the sound server happens here: opening, pausing and waking the stream, and noticing that its
// device has gone. A sound server that hangs holds this thread, never the window's.
//
// The engine hands voices over with add() and hears back, through queued signals, when a voice has
// gone into the stream (voiceEnded) and whether the output can take voices at all (usable). Every
// voiceEnded puts a hold on the mixer; the engine answers each with release() once the completion has
// run, so that the clip a completion starts follows on with no silence read in between.
//
// When the stream fails, the device disappears or the engine gives up on it, the stream is closed
// (never paused, woken or written to again: Qt 6.4 asserts when it corks a stream PulseAudio has
// dropped), its voices are forgotten (the engine times them), and a new stream is opened on the default
// output as soon as there is one: at once when the list of outputs changes, otherwise every second.
class AudioOutput final : public QObject
{
    Q_OBJECT

public:
    // Decoded clips are at this rate whatever the device is: PulseAudio converts if it has to.
    static constexpr int kSampleRate = 48000;
    // How long the stream runs on with nothing to play before it rests.
    static constexpr int kRestAfterMs = 3000;

    AudioOutput();
    ~AudioOutput() override;

    // The latest sign that the stream is pulling, in monotonic milliseconds; readable from any thread.
    // A newly opened stream gets a while to start: on a sink that was idle PulseAudio may take more
    // than a second before it first asks for sound.
    double lastSignOfLife() const;

public slots:
    // Opens the stream on the default output, or waits for one. The first call on the audio thread.
    void start();
    void add(quint64 voice, std::shared_ptr<const AudioClip> clip);
    void remove(quint64 voice);
    // Takes off `holds` holds, one for each voiceEnded whose completion has run.
    void release(int holds);
    // The engine saw the stream stall: close it and open a new one. `generation` numbers the engine's
    // trust: usable(true) is sent with it from now on, so that the engine can tell an old word from a new.
    void giveUp(quint64 generation);
    // Closes everything; the last call before the thread ends.
    void shutDown();

signals:
    void voiceEnded(quint64 voice);
    void usable(bool usable, quint64 generation);

private:
    void tryOpen();
    enum class Loss { Stream, Device };
    void lose(const char *why, Loss loss = Loss::Stream);
    bool deviceStillListed() const;
    bool mayOpenOn(const QAudioDevice &device);
    void checkHealth();
    void voiceOut(const AudioVoice &voice);
    void restWhenQuiet();
    void rest();
    void pause();
    void wake();

    QAudioFormat m_format;
    QMediaDevices *m_devices = nullptr;
    QAudioSink *m_sink = nullptr;
    QByteArray m_deviceId;
    // The device a lost stream was on, while the list of outputs may still name it after it went away.
    QByteArray m_goneDeviceId;
    std::unique_ptr<AudioMixer> m_mixer;
    quint64 m_generation = 0;
    std::atomic<double> m_openedAt{0.0};
    bool m_paused = false;
    // Children, so that they move to the audio thread with the output.
    QTimer m_restTimer{this};
    QTimer m_pauseTimer{this};
    QTimer m_healthTimer{this};
    QTimer m_retryTimer{this};
};

} // namespace vantrel
