#include "audio_mixer.h"

#include <QLoggingCategory>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace vantrel {

// Off unless asked for (QT_LOGGING_RULES="vantrel.audio.debug=true"): each read the output stream makes,
// for bench/measure_gaps.sh to line up with what was heard.
Q_LOGGING_CATEGORY(lcAudio, "vantrel.audio", QtWarningMsg)

namespace {

double monotonicMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

AudioMixer::AudioMixer(const QAudioFormat &format, std::function<void(const AudioVoice &)> voiceEnded,
                       QObject *parent)
    : QIODevice(parent)
    , m_format(format)
    , m_voiceEnded(std::move(voiceEnded))
{
}

qint64 AudioMixer::readData(char *data, qint64 maxSize)
{
    const int bytesPerFrame = m_format.bytesPerFrame();
    std::size_t frames = std::size_t(maxSize / bytesPerFrame);
    for (const AudioVoice &voice : voices)
        frames = std::min(frames, voice.remaining());
    if (frames == 0)
        return 0;

    if (lcAudio().isDebugEnabled()) {
        QByteArray started, ending;
        for (const AudioVoice &voice : voices) {
            if (voice.position == 0)
                started += QByteArray::number(voice.id) + ',';
            if (voice.remaining() == frames)
                ending += QByteArray::number(voice.id) + ',';
        }
        qCDebug(lcAudio, "read at=%.3f asked=%lld gave=%zu voices=%zu started=%s ended=%s", monotonicMs(),
                maxSize / bytesPerFrame, frames, voices.size(), started.constData(), ending.constData());
    }

    m_mix.assign(frames, 0.0f);
    for (AudioVoice &voice : voices) {
        const float *from = voice.clip->samples.data() + voice.position;
        for (std::size_t i = 0; i < frames; ++i)
            m_mix[i] += from[i];
        voice.position += frames;
    }
    writeFrames(data, frames);

    for (auto voice = voices.begin(); voice != voices.end();) {
        if (voice->remaining() == 0) {
            m_voiceEnded(*voice);
            voice = voices.erase(voice);
        } else {
            ++voice;
        }
    }
    return qint64(frames) * bytesPerFrame;
}

void AudioMixer::writeFrames(char *data, std::size_t frames) const
{
    const int channels = m_format.channelCount();
    const bool asFloat = m_format.sampleFormat() == QAudioFormat::Float;
    for (std::size_t i = 0; i < frames; ++i) {
        const float sample = std::clamp(m_mix[i], -1.0f, 1.0f);
        for (int channel = 0; channel < channels; ++channel) {
            const std::size_t at = i * std::size_t(channels) + std::size_t(channel);
            if (asFloat)
                reinterpret_cast<float *>(data)[at] = sample;
            else
                reinterpret_cast<qint16 *>(data)[at] = qint16(std::lround(sample * 32767.0f));
        }
    }
}

} // namespace vantrel
