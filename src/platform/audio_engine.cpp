// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_engine.h"

#include "audio_log.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QPointer>

namespace vantrel {

namespace {

// Enough to ride out a busy moment of the window without an audible drop-out, small enough that
// stopping a clip is heard at once.
constexpr int kOutputBufferMs = 100;
constexpr int kPreferredRate = 48000;
// Once the stream has stopped pulling, what it still holds plays out before it is paused; paused at once,
// that silence would come first when it is woken, before the clip that woke it.
constexpr int kPauseAfterRestMs = 3 * kOutputBufferMs;
// A stream that has not been pulled for a while starts again where the sound server has already played
// silence, which it rewinds: on a PulseAudio null sink the first 8 ms of the clip that woke the stream
// were lost that way. The clip follows this much silence instead, which is lost in its place.
constexpr int kWakeLeadInMs = 20;

} // namespace

AudioEngine::AudioEngine(Output output, QObject *parent)
    : QObject(parent)
{
    m_format.setSampleRate(kPreferredRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    m_restTimer.setSingleShot(true);
    m_restTimer.setInterval(kRestAfterMs);
    connect(&m_restTimer, &QTimer::timeout, this, &AudioEngine::rest);
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(kPauseAfterRestMs);
    connect(&m_pauseTimer, &QTimer::timeout, this, &AudioEngine::pause);
    if (output == Output::DefaultDevice)
        openDevice();
    restWhenQuiet();
}

AudioEngine::~AudioEngine()
{
    // The sink pulls from the mixer: it goes first, not after the mixer as a child would.
    if (m_sink) {
        m_sink->stop();
        delete m_sink;
    }
}

void AudioEngine::openDevice()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    if (!device.isFormatSupported(m_format)) {
        const QAudioFormat preferred = device.preferredFormat();
        m_format.setSampleRate(preferred.sampleRate());
        m_format.setChannelCount(preferred.channelCount());
        if (preferred.sampleFormat() == QAudioFormat::Float)
            m_format.setSampleFormat(QAudioFormat::Float);
    }

    m_mixer = std::make_unique<AudioMixer>(m_format, [this](const AudioVoice &voice) {
        // For the bench: how much the output still holds ahead of this voice's last sample, which goes out
        // with this read, and how much the device has played.
        if (lcAudio().isDebugEnabled() && m_sink && voice.context)
            qCDebug(lcAudio, "end voice=%llu at=%.3f queued_ms=%.1f processed_ms=%.1f", voice.id, monotonicMs(),
                    m_format.durationForBytes(m_sink->bufferSize() - m_sink->bytesFree()) / 1000.0,
                    m_sink->processedUSecs() / 1000.0);
        finishLater(voice);
    });
    m_mixer->setPlayedMs([this] { return m_sink ? m_sink->processedUSecs() / 1000.0 : 0.0; });
    // Unbuffered: a read-ahead would hold back what the voices play and blur where a clip ends.
    m_mixer->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_sink = new QAudioSink(device, m_format, this);
    m_sink->setBufferSize(m_format.bytesForDuration(kOutputBufferMs * 1000));
    connect(m_sink, &QAudioSink::stateChanged, this, [this] {
        if (m_sink && m_sink->error() != QAudio::NoError && m_sink->error() != QAudio::UnderrunError)
            fallBackToTimedPlays();
    });
    m_sink->start(m_mixer.get());
    if (m_sink->error() != QAudio::NoError && m_sink->error() != QAudio::UnderrunError)
        fallBackToTimedPlays();
}

void AudioEngine::fallBackToTimedPlays()
{
    // The device is gone or never opened: what was playing ends after the time it had left.
    QAudioSink *sink = m_sink;
    m_sink = nullptr;
    sink->disconnect(this);
    sink->stop();
    sink->deleteLater();
    m_restTimer.stop();
    m_pauseTimer.stop();
    if (m_mixer) {
        for (const AudioVoice &voice : m_mixer->takeAll())
            finishAfter(voice, qint64(voice.remaining()) * 1000 / sampleRate());
    }
}

std::shared_ptr<const AudioClip> AudioEngine::clip(const QString &path)
{
    if (const auto cached = m_clips.constFind(path); cached != m_clips.cend())
        return *cached;
    std::shared_ptr<const AudioClip> decoded = decodeAudioClip(path, sampleRate());
    if (decoded)
        m_clips.insert(path, decoded);
    return decoded;
}

quint64 AudioEngine::play(std::shared_ptr<const AudioClip> clip, QObject *context, std::function<void()> finished)
{
    AudioVoice voice{m_nextVoice++, std::move(clip), 0, context, std::move(finished)};
    const quint64 id = voice.id;
    qCDebug(lcAudio, "play voice=%llu at=%.3f", id, monotonicMs());
    if (voice.remaining() == 0) {
        finishLater(voice);
    } else if (m_sink) {
        m_mixer->add(std::move(voice));
        wake();
    } else {
        finishAfter(voice, voice.clip->durationMs());
    }
    return id;
}

void AudioEngine::stop(quint64 voice)
{
    if (m_mixer && m_mixer->remove(voice))
        restWhenQuiet();
    if (const auto timed = m_timedVoices.constFind(voice); timed != m_timedVoices.cend()) {
        disconnect(*timed);
        m_timedVoices.erase(timed);
    }
}

void AudioEngine::finishLater(const AudioVoice &voice)
{
    if (!voice.context)
        return;
    // Until the completion has run, the clip it may start is not a voice yet. Should the stream read in
    // the meantime (Qt reads again at once when PulseAudio wants more, and a chain step that plays nothing,
    // such as the missing "m" clip, takes one more trip through the event loop), that read stops after a
    // single frame of silence instead of handing out a whole period, so the next clip still follows on.
    // This runs inside the mixer's read that handed out the voice's last sample (or inside play() for a
    // clip of no length), so the hold can only be added here; it is taken out by the completion, before
    // `finished` may start the next clip, on the same thread, never during a read.
    quint64 hold = 0;
    if (m_sink) {
        static const auto oneSilentFrame = std::make_shared<const AudioClip>(AudioClip{{0.0f}, 0});
        hold = m_nextVoice++;
        m_mixer->add({hold, oneSilentFrame, 0, nullptr, {}});
    }
    QMetaObject::invokeMethod(
        voice.context,
        [engine = QPointer<AudioEngine>(this), hold, id = voice.id, finished = voice.finished] {
            if (hold && engine && engine->m_mixer)
                engine->m_mixer->remove(hold);
            qCDebug(lcAudio, "done voice=%llu at=%.3f", id, monotonicMs());
            finished();
            if (engine)
                engine->restWhenQuiet();
        },
        Qt::QueuedConnection);
}

void AudioEngine::finishAfter(const AudioVoice &voice, qint64 milliseconds)
{
    if (!voice.context)
        return;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    const quint64 id = voice.id;
    m_timedVoices.insert(id, connect(timer, &QTimer::timeout, voice.context, voice.finished));
    connect(timer, &QTimer::timeout, this, [this, id, timer] {
        m_timedVoices.remove(id);
        timer->deleteLater();
    });
    timer->start(int(milliseconds));
}


void AudioEngine::restWhenQuiet()
{
    if (m_sink && m_mixer->isEmpty() && !m_mixer->isResting())
        m_restTimer.start();
}

void AudioEngine::rest()
{
    if (!m_sink || !m_mixer->isEmpty())
        return;
    qCDebug(lcAudio, "rest at=%.3f", monotonicMs());
    m_mixer->setResting(true);
    m_pauseTimer.start();
}

void AudioEngine::pause()
{
    if (m_sink && m_mixer->isResting() && m_sink->state() != QAudio::SuspendedState) {
        qCDebug(lcAudio, "pause at=%.3f", monotonicMs());
        m_sink->suspend();
    }
}

void AudioEngine::wake()
{
    m_restTimer.stop();
    if (!m_mixer->isResting())
        return;
    m_pauseTimer.stop();
    m_mixer->setResting(false);
    m_mixer->leadIn(std::size_t(m_format.framesForDuration(kWakeLeadInMs * 1000)));
    qCDebug(lcAudio, "wake at=%.3f", monotonicMs());
    if (m_sink->state() == QAudio::SuspendedState)
        m_sink->resume();
    else
        emit m_mixer->readyRead(); // Qt's sink stopped pulling at the empty read and pulls again on this
}

} // namespace vantrel
