#pragma once

#include "audio_clip.h"

#include <QAudioFormat>
#include <QIODevice>
#include <QPointer>

#include <functional>
#include <list>
#include <memory>

namespace vantrel {

// One clip being played, and who is told when it has been played.
struct AudioVoice {
    quint64 id = 0;
    std::shared_ptr<const AudioClip> clip;
    std::size_t position = 0;
    QPointer<QObject> context;
    std::function<void()> finished;

    std::size_t remaining() const { return clip->samples.size() - position; }
};

// Pulled by the output stream: the sum of all voices, silence when none plays. A read stops where a
// voice ends, so that a clip started from that voice's completion joins the stream right after it.
class AudioMixer final : public QIODevice
{
    Q_OBJECT

public:
    // `voiceEnded` is called for each voice whose last sample has just been handed out.
    AudioMixer(const QAudioFormat &format, std::function<void(const AudioVoice &)> voiceEnded,
               QObject *parent = nullptr);

    std::list<AudioVoice> voices;

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    void writeFrames(char *data, std::size_t frames) const;

    QAudioFormat m_format;
    std::function<void(const AudioVoice &)> m_voiceEnded;
    std::vector<float> m_mix;
};

} // namespace vantrel
