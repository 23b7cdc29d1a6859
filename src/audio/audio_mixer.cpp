// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_mixer.h"

#include "audio_log.h"

#include <QThread>

#include <algorithm>
#include <cstring>
#include <utility>

namespace vantrel {

AudioMixer::AudioMixer(std::function<void(const AudioVoice &)> voiceEnded, QObject *parent)
    : QIODevice(parent)
    , m_voiceEnded(std::move(voiceEnded))
{
}

void AudioMixer::add(AudioVoice voice)
{
    m_voices.push_back(std::move(voice));
}

bool AudioMixer::remove(quint64 id)
{
    return m_voices.remove_if([id](const AudioVoice &voice) { return voice.id == id; }) > 0;
}

void AudioMixer::release(int holds)
{
    m_holds = std::max(0, m_holds - holds);
    if (m_holds == 0 && (!m_voices.empty() || !m_resting))
        emit readyRead();
}

void AudioMixer::clear()
{
    m_voices.clear();
    m_holds = 0;
    m_leadIn = 0;
}

qint64 AudioMixer::readData(char *data, qint64 maxSize)
{
    if (QThread::currentThread() != thread())
        qFatal("AudioMixer: read from another thread than the players'; the voices have no lock");
    m_lastReadMs.store(monotonicMs(), std::memory_order_relaxed);
    if (m_holds > 0 || (m_resting && m_voices.empty()))
        return 0;
    constexpr int bytesPerFrame = kBytesPerFrame;
    const std::size_t asked = std::size_t(maxSize / bytesPerFrame);
    std::size_t frames = asked;
    if (m_leadIn > 0) {
        frames = std::min(frames, m_leadIn);
        m_leadIn -= frames;
        logRead(asked, frames, true);
        m_mix.assign(frames, 0.0f);
        writeFrames(data, frames);
        return qint64(frames) * bytesPerFrame;
    }
    for (const AudioVoice &voice : m_voices)
        frames = std::min(frames, voice.remaining());
    if (frames == 0)
        return 0;
    logRead(asked, frames, false);

    m_mix.assign(frames, 0.0f);
    for (AudioVoice &voice : m_voices) {
        const float *from = voice.clip->samples.data() + voice.position;
        for (std::size_t i = 0; i < frames; ++i)
            m_mix[i] += from[i];
        voice.position += frames;
    }
    writeFrames(data, frames);

    // m_voiceEnded may add a voice (at the end of the list): it starts with the next read.
    for (auto voice = m_voices.begin(); voice != m_voices.end();) {
        if (voice->remaining() == 0) {
            m_voiceEnded(*voice);
            voice = m_voices.erase(voice);
        } else {
            ++voice;
        }
    }
    return qint64(frames) * bytesPerFrame;
}

void AudioMixer::logRead(std::size_t asked, std::size_t frames, bool leadIn) const
{
    if (!lcAudio().isDebugEnabled())
        return;
    QByteArray started, ending;
    for (const AudioVoice &voice : m_voices) {
        if (leadIn)
            break;
        if (voice.position == 0)
            started += QByteArray::number(voice.id) + ',';
        if (voice.remaining() == frames)
            ending += QByteArray::number(voice.id) + ',';
    }
    qCDebug(lcAudio, "read at=%.3f asked=%zu gave=%zu voices=%zu started=%s ended=%s played_ms=%.1f lead_in=%d",
            monotonicMs(), asked, frames, m_voices.size(), started.constData(), ending.constData(),
            m_playedMs ? m_playedMs() : 0.0, leadIn ? 1 : 0);
}

void AudioMixer::writeFrames(char *data, std::size_t frames) const
{
    // Voices louder together than full scale are clipped here: the server would not.
    for (std::size_t i = 0; i < frames; ++i) {
        const float sample = std::clamp(m_mix[i], -1.0f, 1.0f);
        std::memcpy(data + i * kBytesPerFrame, &sample, sizeof sample);
    }
}

} // namespace vantrel
