// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio_clip.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QThread;

namespace vantrel {

class AudioOutput;

// Plays the clips of every player of the program, and keeps one promise whatever the sound device does:
// every play completes, through the event loop of the thread that asked for it.
//
// Each play is a voice mixed into one output stream (AudioOutput, on an audio thread of its own, so that a
// sound server that hangs never holds the window). When a voice's last sample has gone into the stream,
// its completion runs, so a clip started from it follows with no gap. Without a usable stream a play takes
// its clip's length on a timer instead, and the program behaves the same. When the stream is lost while
// voices wait (its device removed, the sound server gone or hung), each of them completes after the time
// it had left; a clip cut that way is not played again. The next play after a device is back is heard.
class AudioEngine : public QObject
{
    Q_OBJECT

public:
    enum class Output { DefaultDevice, None };

    explicit AudioEngine(Output output = Output::DefaultDevice, QObject *parent = nullptr);
    ~AudioEngine() override;

    // Whether plays go to a sound device now, rather than being timed.
    bool hasDevice() const { return m_outputUsable; }
    int sampleRate() const;

    // A clip decoded at the output's rate, kept for the rest of the run; nothing when unreadable.
    std::shared_ptr<const AudioClip> clip(const QString &path);

    // Starts a voice. `finished` runs through the event loop once the clip has gone into the output (or
    // after its length without one); never if `context` is gone.
    quint64 play(std::shared_ptr<const AudioClip> clip, QObject *context, std::function<void()> finished);
    // Silences a voice at once; its completion does not run.
    void stop(quint64 voice);

    // How long the stream runs on with nothing to play before it rests.
    static constexpr int kRestAfterMs = 3000;
    // A voice this late, on a stream that has not asked for sound for kStallMs, is taken for lost.
    static constexpr int kOverdueMs = 700;
    static constexpr int kStallMs = 400;

signals:
    // hasDevice() changed.
    void deviceChanged(bool hasDevice);

private:
    struct Voice {
        QPointer<QObject> context;
        std::function<void()> finished;
        double dueMs = 0;           // when its last sample should have gone out, by the monotonic clock
        bool handedOver = false;    // to the output stream, rather than timed
        QTimer *timer = nullptr;
    };

    void outputUsable(bool usable, quint64 generation);
    void voiceEnded(quint64 voice);
    void complete(quint64 voice);
    void finishAfter(quint64 id, Voice &voice, qint64 milliseconds);
    void timeHandedOverVoices();
    void watchOutput();
    void releaseHolds(int holds);

    QThread *m_audioThread = nullptr;
    AudioOutput *m_output = nullptr;
    bool m_outputUsable = false;
    // Raised each time the engine gives up on the stream; the output's word counts only for the current one.
    quint64 m_generation = 0;
    QHash<QString, std::shared_ptr<const AudioClip>> m_clips;
    QHash<quint64, Voice> m_voices;
    quint64 m_nextVoice = 1;
    QTimer m_watchdog;
    // Completions of clips that play nothing are still on their way; the holds they owe wait for them.
    int m_instantCompletions = 0;
    int m_deferredHolds = 0;
};

} // namespace vantrel
