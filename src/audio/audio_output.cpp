// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_output.h"

#include "audio_log.h"
#include "pulse_stream.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace vantrel {

namespace {

// Enough to ride out a busy moment without an audible drop-out, small enough that stopping a clip is
// heard at once. With 100 ms, PipeWire's graph ran dry for one or two of its 5.3 ms cycles in a third of
// the passes three programs played at once on two cores, a gap that splits a digit in two; with 200 ms
// in none of them (docs/PERFORMANCE.md, "Under load").
constexpr int kOutputBufferMs = 200;
// Once the stream has run dry, what it still holds plays out before it is paused; paused at once, that
// silence would come first when it is woken, before the clip that woke it.
constexpr int kPauseAfterRestMs = 3 * kOutputBufferMs;
// A stream that ran dry but was not paused starts again behind this much silence, so that nothing of the
// clip that woke it is lost while the server starts reading again.
constexpr int kWakeLeadInMs = 20;
// A paused stream leaves the sound device idle, and PulseAudio and PipeWire close an idle device after
// 5 s. Opening it again is waited for, but the analogue side is not: a laptop codec's amplifier unmutes
// some 50 ms after the first samples, a USB DAC up to a few hundred. The first word of a pass after a
// rest goes in behind this much silence, so that it is heard whole (docs/PERFORMANCE.md, "The idle stream").
constexpr int kWakeLeadInAfterPauseMs = 250;
// The server, on a sink that was idle, may take over a second before a new stream's first request.
constexpr int kStartUpGraceMs = 2000;
constexpr int kRetryOpenMs = 1000;
// A server that neither makes the stream nor refuses it (stopped, or too busy) is asked again.
constexpr int kOpeningTimeoutMs = 5000;

} // namespace

AudioOutput::AudioOutput() = default;

AudioOutput::~AudioOutput()
{
    shutDown();
}

double AudioOutput::lastSignOfLife() const
{
    const double read = m_mixer ? m_mixer->lastReadMs() : 0.0;
    return std::max(read, m_openedAt.load(std::memory_order_relaxed) + kStartUpGraceMs);
}

void AudioOutput::start()
{
    m_restTimer.setSingleShot(true);
    m_restTimer.setInterval(kRestAfterMs);
    connect(&m_restTimer, &QTimer::timeout, this, &AudioOutput::rest);
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(kPauseAfterRestMs);
    connect(&m_pauseTimer, &QTimer::timeout, this, &AudioOutput::pause);
    m_retryTimer.setInterval(kRetryOpenMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &AudioOutput::tryOpen);
    m_openingTimer.setSingleShot(true);
    m_openingTimer.setInterval(kOpeningTimeoutMs);
    connect(&m_openingTimer, &QTimer::timeout, this,
            [this] { lose("the sound server neither made the stream nor refused it"); });

    m_mixer = std::make_unique<AudioMixer>([this](const AudioVoice &voice) { voiceOut(voice); });
    // Unbuffered: a read-ahead would hold back what the voices play and blur where a clip ends.
    m_mixer->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    connect(m_mixer.get(), &QIODevice::readyRead, this, &AudioOutput::fill);

    m_stream = new PulseStream(kSampleRate, kOutputBufferMs, this);
    m_mixer->setPlayedMs([stream = m_stream] { return stream->playedMs(); });
    connect(m_stream, &PulseStream::opened, this, &AudioOutput::opened);
    connect(m_stream, &PulseStream::failed, this, &AudioOutput::lose);
    connect(m_stream, &PulseStream::wantsSound, this, &AudioOutput::fill);
    // A headset plugged in, a sink loaded, another output made the default.
    connect(m_stream, &PulseStream::outputsChanged, this, &AudioOutput::tryOpen);
    tryOpen();
}

void AudioOutput::tryOpen()
{
    if (!m_stream || m_stream->state() != PulseStream::State::Closed)
        return;
    qCDebug(lcAudio, "try at=%.3f", monotonicMs());
    m_stream->open();
    m_openingTimer.start();
}

void AudioOutput::opened()
{
    m_openingTimer.stop();
    m_retryTimer.stop();
    m_mixer->clear();
    m_mixer->setResting(false);
    m_paused = false;
    m_openedAt.store(monotonicMs(), std::memory_order_relaxed);
    qCDebug(lcAudio, "open at=%.3f", monotonicMs());
    restWhenQuiet();
    emit usable(true, m_generation);
    fill();
}

void AudioOutput::lose(const QByteArray &why)
{
    if (!m_stream || m_stream->state() == PulseStream::State::Closed)
        return;
    qCDebug(lcAudio, "lost at=%.3f why=%s", monotonicMs(), why.constData());
    const bool wasOpen = m_stream->state() == PulseStream::State::Open;
    m_stream->close();
    m_mixer->clear();
    m_paused = false;
    m_restTimer.stop();
    m_pauseTimer.stop();
    m_openingTimer.stop();
    m_retryTimer.start();
    if (wasOpen)
        emit usable(false, m_generation);
}

void AudioOutput::fill()
{
    if (!m_stream || m_stream->state() != PulseStream::State::Open)
        return;
    m_stream->fill([this](char *data, std::size_t bytes) {
        return std::size_t(std::max<qint64>(0, m_mixer->read(data, qint64(bytes))));
    });
}

void AudioOutput::add(quint64 voice, std::shared_ptr<const AudioClip> clip)
{
    // Without a stream the engine has been told, or is about to be, and times the voice itself.
    if (!m_stream || m_stream->state() != PulseStream::State::Open)
        return;
    m_mixer->add({voice, std::move(clip), 0});
    wake();
}

void AudioOutput::remove(quint64 voice)
{
    if (m_mixer && m_mixer->remove(voice))
        restWhenQuiet();
}

void AudioOutput::release(int holds)
{
    if (!m_stream || m_stream->state() != PulseStream::State::Open)
        return;
    m_mixer->release(holds);
    restWhenQuiet();
}

void AudioOutput::giveUp(quint64 generation)
{
    m_generation = generation;
    if (m_stream && m_stream->state() == PulseStream::State::Open)
        lose("the engine saw it stall");
}

void AudioOutput::shutDown()
{
    for (QTimer *timer : {&m_restTimer, &m_pauseTimer, &m_retryTimer, &m_openingTimer})
        timer->stop();
    // What is still queued need not be heard: the program is ending.
    delete std::exchange(m_stream, nullptr);
    const QCoreApplication *app = QCoreApplication::instance();
    if (QThread::currentThread() == thread() && (!app || thread() != app->thread()))
        thread()->quit();
}

void AudioOutput::voiceOut(const AudioVoice &voice)
{
    // For the bench: how much the stream still held ahead of this voice's last sample, which goes out
    // with this read, and how much the device had played.
    if (lcAudio().isDebugEnabled() && m_stream)
        qCDebug(lcAudio, "end voice=%llu at=%.3f queued_ms=%.1f processed_ms=%.1f", voice.id, monotonicMs(),
                m_stream->queuedMs(), m_stream->playedMs());
    m_mixer->hold();
    emit voiceEnded(voice.id);
}

void AudioOutput::restWhenQuiet()
{
    if (m_mixer->isEmpty() && !m_mixer->isResting())
        m_restTimer.start();
}

void AudioOutput::rest()
{
    if (!m_mixer->isEmpty())
        return;
    qCDebug(lcAudio, "rest at=%.3f", monotonicMs());
    m_mixer->setResting(true);
    m_pauseTimer.start();
}

void AudioOutput::pause()
{
    if (!m_mixer->isResting() || m_paused)
        return;
    qCDebug(lcAudio, "pause at=%.3f", monotonicMs());
    m_paused = true;
    m_stream->setCorked(true);
}

void AudioOutput::wake()
{
    m_restTimer.stop();
    if (!m_mixer->isResting())
        return;
    m_pauseTimer.stop();
    m_mixer->setResting(false);
    const int leadInMs = m_paused ? kWakeLeadInAfterPauseMs : kWakeLeadInMs;
    m_mixer->leadIn(std::size_t(kSampleRate) * std::size_t(leadInMs) / 1000);
    qCDebug(lcAudio, "wake at=%.3f lead_in_ms=%d", monotonicMs(), leadInMs);
    if (std::exchange(m_paused, false))
        m_stream->setCorked(false);
    fill();
}

} // namespace vantrel
