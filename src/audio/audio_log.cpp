// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_log.h"

#include <chrono>

namespace vantrel {

Q_LOGGING_CATEGORY(lcAudio, "vantrel.audio", QtWarningMsg)

double monotonicMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace vantrel
