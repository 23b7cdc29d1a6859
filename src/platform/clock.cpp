// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"

#include <QTime>

namespace vantrel {

int SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

} // namespace vantrel
