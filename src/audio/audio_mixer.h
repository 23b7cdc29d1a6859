// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio_clip.h"

#include <QIODevice>

#include <atomic>
#include <functional>
#include <list>
#include <memory>

namespace vantrel {

// One clip being played. Who is told when it has been played is the engine's business, on the players'
// thread; the mixer knows a voice by its id only.
struct AudioVoice {
    quint64 id = 0;
    std::shared_ptr<const AudioClip> clip;
    std::size_t position = 0;

    std::size_t remaining() const { return clip->samples.size() - position; }
};

// Read by the output stream: the sum of all voices as mono 32-bit float samples, silence when none
// plays. A read stops where a voice ends, so that a clip started from that voice's completion joins the
// stream right after it.
//
// One thread, so no lock: the mixer lives on AudioOutput's audio thread ("vantrel audio"). The output
// calls it from its slots, which the engine reaches by queued calls only, so a hand-over never runs in the
// middle of a read, and it fills the stream from that thread too. A read from any other thread stops the
// program at once instead of racing. The one exception is lastReadMs(), an atomic the engine reads from
// its thread.
class AudioMixer final : public QIODevice
{
    Q_OBJECT

public:
    // `voiceEnded` is called for each voice whose last sample has just been handed out, from the read
    // that handed it out: it may add voices or holds, not remove voices.
    static constexpr int kBytesPerFrame = sizeof(float);

    explicit AudioMixer(std::function<void(const AudioVoice &)> voiceEnded, QObject *parent = nullptr);

    void add(AudioVoice voice);
    // Takes a voice out at once; false when there was none of that id.
    bool remove(quint64 id);
    bool isEmpty() const { return m_voices.empty(); }

    // While resting and with no voice, a read hands out nothing, so that the stream runs dry and can be
    // paused.
    void setResting(bool resting) { m_resting = resting; }
    bool isResting() const { return m_resting; }
    // The next `frames` frames handed out are silence, and the voices wait for them.
    void leadIn(std::size_t frames) { m_leadIn = frames; }
    // While a hold is on, a read hands out nothing: a clip's completion is on its way to the players, and
    // the clip it starts must follow the last one with no silence read in between. Releasing the last
    // hold emits readyRead(): the stream is to be filled again.
    void hold() { ++m_holds; }
    void release(int holds);
    // Drops every voice and hold: the stream they were played on is gone.
    void clear();
    // When the stream last asked for sound (monotonic milliseconds), readable from any thread: a stream
    // that stops asking while voices wait has lost its device or its sound server.
    double lastReadMs() const { return m_lastReadMs.load(std::memory_order_relaxed); }

    // For the "vantrel.audio" account only: how much the device has played, logged with each read.
    void setPlayedMs(std::function<double()> playedMs) { m_playedMs = std::move(playedMs); }

    bool isSequential() const override { return true; }
    // The voices may come and go, but the stream never ends.
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    void writeFrames(char *data, std::size_t frames) const;
    void logRead(std::size_t asked, std::size_t frames, bool leadIn) const;

    std::function<void(const AudioVoice &)> m_voiceEnded;
    std::function<double()> m_playedMs;
    std::list<AudioVoice> m_voices;
    std::vector<float> m_mix;
    bool m_resting = false;
    std::size_t m_leadIn = 0;
    int m_holds = 0;
    std::atomic<double> m_lastReadMs{0.0};
};

} // namespace vantrel
