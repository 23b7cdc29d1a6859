// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio_clip.h"
#include "audio_mixer.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

namespace vantrel {

class PulseStream;

// The output stream and its mixer, on the audio thread that AudioEngine gives them. Everything that
// talks to the sound server happens here or in libpulse's thread (PulseStream): opening, filling, pausing
// and waking the stream, and noticing that it has gone. A sound server that hangs holds neither this
// thread nor the window's.
//
// The engine hands voices over with add() and hears back, through queued signals, when a voice has
// gone into the stream (voiceEnded) and whether the output can take voices at all (usable). Every
// voiceEnded puts a hold on the mixer; the engine answers each with release() once the completion has
// run, so that the clip a completion starts follows on with no silence written in between.
//
// When the stream fails (its device gone with no other to move to, the sound server gone) or the engine
// gives up on it, the stream is closed, its voices are forgotten (the engine times them), and a new one is
// opened on the default output as soon as there is one: at once when the server says an output came,
// otherwise every second, for as long as it takes.
class AudioOutput final : public QObject
{
    Q_OBJECT

public:
    // Decoded clips are at this rate whatever the device is: the sound server converts if it has to.
    static constexpr int kSampleRate = 48000;
    // How long the stream runs on with nothing to play before it rests.
    static constexpr int kRestAfterMs = 3000;

    AudioOutput();
    ~AudioOutput() override;

    // The latest sign that the stream is taking sound, in monotonic milliseconds; readable from any
    // thread. A newly opened stream gets a while to start: on a sink that was idle the server may take
    // more than a second before it first asks for sound.
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
    void opened();
    void lose(const QByteArray &why);
    void fill();
    void voiceOut(const AudioVoice &voice);
    void restWhenQuiet();
    void rest();
    void pause();
    void wake();

    std::unique_ptr<AudioMixer> m_mixer;
    PulseStream *m_stream = nullptr;
    quint64 m_generation = 0;
    std::atomic<double> m_openedAt{0.0};
    bool m_paused = false;
    // Children, so that they move to the audio thread with the output.
    QTimer m_restTimer{this};
    QTimer m_pauseTimer{this};
    QTimer m_retryTimer{this};
    QTimer m_openingTimer{this};
};

} // namespace vantrel
