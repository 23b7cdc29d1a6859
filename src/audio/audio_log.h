// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace vantrel {

// The audio engine's account of what it hands the output stream, off unless asked for
// (QT_LOGGING_RULES="vantrel.audio.debug=true"): bench/measure_gaps.sh lines it up with what was heard.
Q_DECLARE_LOGGING_CATEGORY(lcAudio)

// Milliseconds of the monotonic clock, the time base of every "vantrel.audio" message and of the
// benchmarks that read them.
double monotonicMs();

} // namespace vantrel
