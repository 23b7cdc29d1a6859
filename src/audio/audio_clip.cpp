// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_clip.h"

#include <QFile>
#include <QFileInfo>

#include <samplerate.h>
#include <sndfile.h>

namespace vantrel {

std::shared_ptr<const AudioClip> decodeAudioClip(const QString &path, int sampleRate)
{
    if (QFileInfo(path).size() > kMaximumClipFileBytes)
        return nullptr;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return nullptr;
    const auto closeFile = std::unique_ptr<SNDFILE, int (*)(SNDFILE *)>(file, sf_close);
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0)
        return nullptr;
    // The length comes from the samples the file holds and the rate its header gives: a low rate
    // makes a few kilobytes last hours, and converting them would take as long to compute.
    if (info.frames > sf_count_t(kMaximumClipSeconds) * info.samplerate)
        return nullptr;
    // Checked from the header before anything is decoded, whatever the container: the name says nothing
    // of it, and a FLAC file named .wav decodes just the same.
    if (info.samplerate < kMinimumClipRate || info.samplerate > kMaximumClipRate
        || info.channels > kMaximumClipChannels || info.frames * info.channels > kMaximumClipSamples
        || info.frames * sampleRate / info.samplerate > kMaximumClipSamples)
        return nullptr;

    std::vector<float> interleaved(std::size_t(info.frames) * std::size_t(info.channels));
    const sf_count_t framesRead = sf_readf_float(file, interleaved.data(), info.frames);
    if (framesRead <= 0 && info.frames > 0)
        return nullptr;

    std::vector<float> mono(static_cast<std::size_t>(framesRead));
    for (sf_count_t frame = 0; frame < framesRead; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < info.channels; ++channel)
            sum += interleaved[std::size_t(frame * info.channels + channel)];
        mono[std::size_t(frame)] = sum / float(info.channels);
    }

    auto clip = std::make_shared<AudioClip>();
    clip->sampleRate = sampleRate;
    if (info.samplerate == sampleRate || mono.empty()) {
        clip->samples = std::move(mono);
        return clip;
    }

    const double ratio = double(sampleRate) / double(info.samplerate);
    clip->samples.resize(std::size_t(double(mono.size()) * ratio) + 16);
    SRC_DATA conversion{};
    conversion.data_in = mono.data();
    conversion.input_frames = long(mono.size());
    conversion.data_out = clip->samples.data();
    conversion.output_frames = long(clip->samples.size());
    conversion.src_ratio = ratio;
    if (src_simple(&conversion, SRC_SINC_MEDIUM_QUALITY, 1) != 0)
        return nullptr;
    clip->samples.resize(std::size_t(conversion.output_frames_gen));
    return clip;
}

} // namespace vantrel
