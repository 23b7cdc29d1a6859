// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace vantrel {

// A clip decoded once into mono float samples at the output's rate, ready to be mixed.
struct AudioClip {
    std::vector<float> samples;
    int sampleRate = 0;

    qint64 durationMs() const { return sampleRate ? qint64(samples.size()) * 1000 / sampleRate : 0; }
};

// Clips past these limits are refused as unplayable: decoding one would hold up the window for long,
// and a real clip lasts a second or two.
inline constexpr qint64 kMaximumClipFileBytes = 16 * 1024 * 1024;
inline constexpr int kMaximumClipSeconds = 60;
// A file's header is believed only within what recordings use: 8 kHz telephone speech up to the 192 kHz
// of studio gear, mono up to 7.1 surround. Past those it is a file made to be costly, not a clip.
inline constexpr int kMinimumClipRate = 8000;
inline constexpr int kMaximumClipRate = 192000;
inline constexpr int kMaximumClipChannels = 8;
// A compressed file of a few hundred kilobytes can hold a minute of many channels at a high rate, so what
// it decodes to is bounded apart from its size: to the samples of a minute of 48 kHz stereo, in the file
// and out of the rate conversion, whose cost grows with the frames it reads or makes.
inline constexpr qint64 kMaximumClipSamples = qint64(kMaximumClipSeconds) * 48000 * 2;

// Reads a sound file (WAV and whatever else libsndfile reads), mixes its channels down and converts
// it to the given rate. Nothing when the file is missing, cannot be decoded or is past the limits.
std::shared_ptr<const AudioClip> decodeAudioClip(const QString &path, int sampleRate);

} // namespace vantrel
