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

// Reads a sound file (WAV and whatever else libsndfile reads), mixes its channels down and converts
// it to the given rate. Nothing when the file is missing, cannot be decoded or is past the limits.
std::shared_ptr<const AudioClip> decodeAudioClip(const QString &path, int sampleRate);

} // namespace vantrel
