// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// The time of day in whole seconds since midnight.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual int secondsSinceMidnight() const = 0;
};

class SystemClock final : public Clock
{
public:
    int secondsSinceMidnight() const override;
};

} // namespace vantrel
