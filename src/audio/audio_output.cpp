// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_output.h"

#include "audio_log.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QThread>

#include <algorithm>

namespace vantrel {

namespace {

// Enough to ride out a busy moment without an audible drop-out, small enough that stopping a clip is
// heard at once.
constexpr int kOutputBufferMs = 100;
// Once the stream has stopped pulling, what it still holds plays out before it is paused; paused at once,
// that silence would come first when it is woken, before the clip that woke it.
constexpr int kPauseAfterRestMs = 3 * kOutputBufferMs;
// A stream that stopped pulling but was not paused starts again where the sound server has already played
// silence, which it rewinds: on a PulseAudio null sink the first 8 ms of the clip that woke the stream
// were lost that way. The clip follows this much silence instead, which is lost in its place.
constexpr int kWakeLeadInMs = 20;
// A paused stream leaves the sound device idle, and PulseAudio and PipeWire close an idle device after
// 5 s. Opening it again is waited for, but the analogue side is not: a laptop codec's amplifier unmutes
// some 50 ms after the first samples, a USB DAC up to a few hundred. The first word of a pass after a
// rest goes in behind this much silence, so that it is heard whole (docs/PERFORMANCE.md, "The idle stream").
constexpr int kWakeLeadInAfterPauseMs = 250;
// PulseAudio on a sink that was idle may take over a second before a new stream's first read.
constexpr int kStartUpGraceMs = 2000;
// How often an open stream is checked: its state, and whether its device is still listed. Paused, only the
// list can tell that the device went away (and waking a stream whose device went away stops the program),
// so it is still looked at, less often.
constexpr int kHealthCheckMs = 250;
constexpr int kHealthCheckPausedMs = 500;
constexpr int kRetryOpenMs = 1000;

bool failed(const QAudioSink &sink)
{
    const QAudio::Error error = sink.error();
    return sink.state() == QAudio::StoppedState || (error != QAudio::NoError && error != QAudio::UnderrunError);
}

bool outputListed(const QByteArray &deviceId)
{
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    return std::any_of(outputs.cbegin(), outputs.cend(),
                       [&deviceId](const QAudioDevice &output) { return output.id() == deviceId; });
}

} // namespace

AudioOutput::AudioOutput()
{
    m_format.setSampleRate(kSampleRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
}

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
    m_healthTimer.setInterval(kHealthCheckMs);
    connect(&m_healthTimer, &QTimer::timeout, this, &AudioOutput::checkHealth);
    m_retryTimer.setInterval(kRetryOpenMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &AudioOutput::tryOpen);

    m_mixer = std::make_unique<AudioMixer>(m_format, [this](const AudioVoice &voice) { voiceOut(voice); });
    m_mixer->setPlayedMs([this] { return m_sink ? m_sink->processedUSecs() / 1000.0 : 0.0; });
    // Unbuffered: a read-ahead would hold back what the voices play and blur where a clip ends.
    m_mixer->open(QIODevice::ReadOnly | QIODevice::Unbuffered);

    // A headset plugged in or out, a sink loaded or unloaded, the sound server back after a restart.
    m_devices = new QMediaDevices(this);
    // (Qt 6.4 never says so with PulseAudio: the health checks and the retries look at the list too.)
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this, [this] {
        m_goneDeviceId.clear(); // the list is fresh
        checkHealth();
        if (!m_sink)
            tryOpen();
    });
    tryOpen();
}

void AudioOutput::tryOpen()
{
    if (m_sink || !m_mixer)
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qCDebug(lcAudio, "try at=%.3f device=%s outputs=%lld", monotonicMs(), device.id().constData(),
            qlonglong(QMediaDevices::audioOutputs().size()));
    if (device.isNull() || !mayOpenOn(device)) {
        m_retryTimer.start();
        return;
    }
    QAudioFormat format = m_format;
    if (!device.isFormatSupported(format)) {
        const QAudioFormat preferred = device.preferredFormat();
        format.setChannelCount(preferred.channelCount());
        if (preferred.sampleFormat() == QAudioFormat::Float)
            format.setSampleFormat(QAudioFormat::Float);
    }
    m_mixer->clear();
    m_mixer->setResting(false);
    m_mixer->setFormat(format);
    m_sink = new QAudioSink(device, format, this);
    m_sink->setBufferSize(format.bytesForDuration(kOutputBufferMs * 1000));
    // Queued: the sink reports its state from inside its own calls, where it must not be deleted.
    connect(m_sink, &QAudioSink::stateChanged, this, &AudioOutput::checkHealth, Qt::QueuedConnection);
    // Waits until the sound server has made the stream: this thread's wait, never the window's.
    m_sink->start(m_mixer.get());
    if (failed(*m_sink)) {
        lose("the stream could not be opened");
        return;
    }
    m_deviceId = device.id();
    m_paused = false;
    m_openedAt.store(monotonicMs(), std::memory_order_relaxed);
    qCDebug(lcAudio, "open at=%.3f device=%s", monotonicMs(), m_deviceId.constData());
    m_retryTimer.stop();
    m_healthTimer.start(kHealthCheckMs);
    restWhenQuiet();
    emit usable(true, m_generation);
}

void AudioOutput::lose(const char *why, Loss loss)
{
    qCDebug(lcAudio, "lost at=%.3f why=%s", monotonicMs(), why);
    if (loss == Loss::Device)
        m_goneDeviceId = m_deviceId;
    const bool wasOpen = m_sink != nullptr;
    if (QAudioSink *sink = std::exchange(m_sink, nullptr)) {
        sink->disconnect(this);
        // reset() closes the stream and waits for no answer from the server, so it is safe on a stream
        // PulseAudio has dropped. stop() is not in Qt 6.8 (Debian 13): it waits for a drain the server never
        // starts, and aborts.
        sink->reset();
        delete sink;
    }
    if (m_mixer)
        m_mixer->clear();
    m_paused = false;
    m_restTimer.stop();
    m_pauseTimer.stop();
    m_healthTimer.stop();
    m_retryTimer.start();
    if (wasOpen)
        emit usable(false, m_generation);
}

bool AudioOutput::deviceStillListed() const
{
    return outputListed(m_deviceId);
}

void AudioOutput::checkHealth()
{
    if (!m_sink)
        return;
    if (failed(*m_sink))
        lose("the stream stopped");
    // PulseAudio has dropped the stream (its sink went away): Qt then sees -1 bytes free and never pulls.
    else if (!m_paused && m_sink->bytesFree() < 0)
        lose("the stream failed", Loss::Device);
    else if (!deviceStillListed())
        lose("its device is gone", Loss::Device);
}

// Opening a stream on a device the sound server no longer has never returns: Qt waits for the stream to
// be ready, and it fails instead. Qt 6.4 drops a removed device from its list at once, but later
// versions (6.8 in Debian 13) keep listing it, and name it the default, until the list next changes. So
// the device of a lost stream is opened again only once the list has changed, or been seen without it.
bool AudioOutput::mayOpenOn([[maybe_unused]] const QAudioDevice &device)
{
    if (m_goneDeviceId.isEmpty())
        return true;
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    // Qt 6.4's list is never stale, and it never says that it changed.
    m_goneDeviceId.clear();
    return true;
#else
    if (!outputListed(m_goneDeviceId))
        m_goneDeviceId.clear();
    return device.id() != m_goneDeviceId;
#endif
}

void AudioOutput::add(quint64 voice, std::shared_ptr<const AudioClip> clip)
{
    // Without a stream the engine has been told, or is about to be, and times the voice itself.
    if (!m_sink)
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
    if (!m_sink)
        return;
    m_mixer->release(holds);
    restWhenQuiet();
}

void AudioOutput::giveUp(quint64 generation)
{
    m_generation = generation;
    if (m_sink)
        lose("the engine saw it stall");
}

void AudioOutput::shutDown()
{
    if (QAudioSink *sink = std::exchange(m_sink, nullptr)) {
        sink->disconnect(this);
        sink->reset(); // what is still queued need not be heard: the program is ending
        delete sink;
    }
    if (m_devices)
        m_devices->disconnect(this);
    for (QTimer *timer : {&m_restTimer, &m_pauseTimer, &m_healthTimer, &m_retryTimer})
        timer->stop();
    if (QThread::currentThread() == thread() && thread() != QCoreApplication::instance()->thread())
        thread()->quit();
}

void AudioOutput::voiceOut(const AudioVoice &voice)
{
    // For the bench: how much the output still holds ahead of this voice's last sample, which goes out
    // with this read, and how much the device has played.
    if (lcAudio().isDebugEnabled() && m_sink)
        qCDebug(lcAudio, "end voice=%llu at=%.3f queued_ms=%.1f processed_ms=%.1f", voice.id, monotonicMs(),
                m_sink->format().durationForBytes(m_sink->bufferSize() - m_sink->bytesFree()) / 1000.0,
                m_sink->processedUSecs() / 1000.0);
    m_mixer->hold();
    emit voiceEnded(voice.id);
}

void AudioOutput::restWhenQuiet()
{
    if (m_sink && m_mixer->isEmpty() && !m_mixer->isResting())
        m_restTimer.start();
}

void AudioOutput::rest()
{
    if (!m_sink || !m_mixer->isEmpty())
        return;
    qCDebug(lcAudio, "rest at=%.3f", monotonicMs());
    m_mixer->setResting(true);
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    m_pauseTimer.start();
#else
    // Later Qt versions keep listing a removed device, so a paused stream whose device went away could
    // not be told from a live one, and waking it would abort. Their stream only stops being fed.
#endif
}

void AudioOutput::pause()
{
    if (!m_sink || !m_mixer->isResting() || m_paused)
        return;
    // Qt 6.4 corks without asking whether PulseAudio still has the stream, and aborts when it has not.
    checkHealth();
    if (!m_sink)
        return;
    qCDebug(lcAudio, "pause at=%.3f", monotonicMs());
    m_paused = true;
    m_healthTimer.setInterval(kHealthCheckPausedMs);
    m_sink->suspend();
}

void AudioOutput::wake()
{
    m_restTimer.stop();
    if (!m_mixer->isResting())
        return;
    m_pauseTimer.stop();
    if (m_paused) {
        checkHealth();
        if (!m_sink)
            return;
    }
    m_mixer->setResting(false);
    const int leadInMs = m_paused ? kWakeLeadInAfterPauseMs : kWakeLeadInMs;
    m_mixer->leadIn(std::size_t(m_sink->format().framesForDuration(leadInMs * 1000)));
    qCDebug(lcAudio, "wake at=%.3f lead_in_ms=%d", monotonicMs(), leadInMs);
    if (std::exchange(m_paused, false)) {
        m_healthTimer.setInterval(kHealthCheckMs);
        m_sink->resume();
    }
    else
        emit m_mixer->readyRead(); // Qt's sink stopped pulling at the empty read and pulls again on this
}

} // namespace vantrel
