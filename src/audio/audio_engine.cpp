// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_engine.h"

#include "audio_log.h"
#include "audio_output.h"

#include <QThread>

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kWatchEveryMs = 200;
// At the end of the program the audio thread gets this long to close the stream. A sound server that
// holds it longer is not waited for: the thread ends with the process.
constexpr unsigned long kShutDownWaitMs = 2000;

} // namespace

AudioEngine::AudioEngine(Output output, QObject *parent)
    : QObject(parent)
{
    m_watchdog.setInterval(kWatchEveryMs);
    connect(&m_watchdog, &QTimer::timeout, this, &AudioEngine::watchOutput);
    if (output == Output::None)
        return;

    m_audioThread = new QThread;
    m_audioThread->setObjectName(QStringLiteral("vantrel audio"));
    m_output = new AudioOutput;
    m_output->moveToThread(m_audioThread);
    connect(m_audioThread, &QThread::started, m_output, &AudioOutput::start);
    connect(m_audioThread, &QThread::finished, m_output, &QObject::deleteLater);
    connect(m_output, &AudioOutput::voiceEnded, this, &AudioEngine::voiceEnded, Qt::QueuedConnection);
    connect(m_output, &AudioOutput::usable, this, &AudioEngine::outputUsable, Qt::QueuedConnection);
    m_audioThread->start();
}

AudioEngine::~AudioEngine()
{
    if (!m_audioThread)
        return;
    m_output->disconnect(this);
    QMetaObject::invokeMethod(m_output, &AudioOutput::shutDown, Qt::QueuedConnection);
    if (m_audioThread->wait(kShutDownWaitMs))
        delete m_audioThread;
}

int AudioEngine::sampleRate() const
{
    return AudioOutput::kSampleRate;
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
    const quint64 id = m_nextVoice++;
    const qint64 length = clip->durationMs();
    Voice &voice = m_voices[id] = {context, std::move(finished), monotonicMs() + double(length)};
    qCDebug(lcAudio, "play voice=%llu at=%.3f", id, monotonicMs());
    if (clip->samples.empty()) {
        // Ends at once, but through the event loop, as every play does.
        ++m_instantCompletions;
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                --m_instantCompletions;
                complete(id);
                if (m_instantCompletions == 0)
                    releaseHolds(std::exchange(m_deferredHolds, 0));
            },
            Qt::QueuedConnection);
    } else if (m_outputUsable) {
        voice.handedOver = true;
        QMetaObject::invokeMethod(
            m_output, [output = m_output, id, clip = std::move(clip)] { output->add(id, clip); },
            Qt::QueuedConnection);
        if (!m_watchdog.isActive())
            m_watchdog.start();
    } else {
        finishAfter(id, voice, length);
    }
    return id;
}

void AudioEngine::stop(quint64 id)
{
    const auto voice = m_voices.find(id);
    if (voice == m_voices.end())
        return;
    if (voice->handedOver)
        QMetaObject::invokeMethod(m_output, [output = m_output, id] { output->remove(id); }, Qt::QueuedConnection);
    delete voice->timer;
    m_voices.erase(voice);
}

void AudioEngine::complete(quint64 id)
{
    const auto found = m_voices.find(id);
    if (found == m_voices.end())
        return;
    const Voice voice = std::move(*found);
    m_voices.erase(found);
    if (voice.timer)
        voice.timer->deleteLater();
    qCDebug(lcAudio, "done voice=%llu at=%.3f", id, monotonicMs());
    if (voice.context)
        voice.finished();
}

void AudioEngine::voiceEnded(quint64 id)
{
    // The clip a completion starts is handed over before the hold is taken off, so nothing is read in
    // between; when it starts a clip that plays nothing, the hold waits for that one's completion too.
    complete(id);
    if (m_instantCompletions > 0)
        ++m_deferredHolds;
    else
        releaseHolds(1);
}

void AudioEngine::releaseHolds(int holds)
{
    if (holds > 0 && m_output)
        QMetaObject::invokeMethod(m_output, [output = m_output, holds] { output->release(holds); },
                                  Qt::QueuedConnection);
}

void AudioEngine::finishAfter(quint64 id, Voice &voice, qint64 milliseconds)
{
    voice.handedOver = false;
    voice.timer = new QTimer(this);
    voice.timer->setSingleShot(true);
    // A timed clip lasts its length, never less: a coarse timer may fire 5 % early.
    voice.timer->setTimerType(Qt::PreciseTimer);
    connect(voice.timer, &QTimer::timeout, this, [this, id] { complete(id); });
    voice.timer->start(int(std::max<qint64>(0, milliseconds)));
}

void AudioEngine::outputUsable(bool usable, quint64 generation)
{
    if (usable && generation != m_generation)
        return; // from before the engine gave up on that stream
    if (!usable)
        timeHandedOverVoices();
    if (std::exchange(m_outputUsable, usable) != usable)
        emit deviceChanged(usable);
}

void AudioEngine::timeHandedOverVoices()
{
    m_watchdog.stop();
    m_deferredHolds = 0;
    const double now = monotonicMs();
    for (auto voice = m_voices.begin(); voice != m_voices.end(); ++voice) {
        if (voice->handedOver)
            finishAfter(voice.key(), *voice, qint64(voice->dueMs - now));
    }
}

void AudioEngine::watchOutput()
{
    const double now = monotonicMs();
    bool waiting = false;
    bool overdue = false;
    for (const Voice &voice : std::as_const(m_voices)) {
        if (!voice.handedOver)
            continue;
        waiting = true;
        overdue = overdue || now > voice.dueMs + kOverdueMs;
    }
    if (!m_outputUsable || !waiting) {
        m_watchdog.stop();
        return;
    }
    // A stream that asks for sound is alive, even when the window was too busy to take its completions.
    if (!overdue || now - m_output->lastSignOfLife() < kStallMs)
        return;
    qCDebug(lcAudio, "stalled at=%.3f", now);
    ++m_generation;
    outputUsable(false, m_generation);
    QMetaObject::invokeMethod(m_output, [output = m_output, generation = m_generation] { output->giveUp(generation); },
                              Qt::QueuedConnection);
}

} // namespace vantrel
