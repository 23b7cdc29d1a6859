// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <QTime>

namespace vantrel::test {

// A clock that shows whatever time the test sets.
class SettableClock final : public Clock
{
public:
    int secondsSinceMidnight() const override { return seconds; }
    void set(const QTime &time) { seconds = time.msecsSinceStartOfDay() / 1000; }

    int seconds = 9 * 3600;
};

} // namespace vantrel::test
