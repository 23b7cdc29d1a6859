// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening_interval.h"

#include <array>
#include <utility>

namespace vantrel {
namespace {

constexpr std::array<std::pair<const char *, int>, 13> kIntervals{{
    {"5s", 5},         {"10s", 10},       {"30s", 30},       {"1min", 60},     {"1.5min", 90},
    {"2min", 120},     {"2.5min", 150},   {"5min", 300},     {"10min", 600},   {"15min", 900},
    {"20min", 1200},   {"30min", 1800},   {"60min", 3600},
}};

} // namespace

QStringList listeningIntervalNames()
{
    QStringList names;
    for (const auto &[name, seconds] : kIntervals)
        names << QLatin1String(name);
    return names;
}

std::optional<int> listeningIntervalSeconds(const QString &name)
{
    for (const auto &[item, seconds] : kIntervals) {
        if (name == QLatin1String(item))
            return seconds;
    }
    return std::nullopt;
}

bool listeningDue(int lastSeconds, int nowSeconds, int intervalSeconds)
{
    constexpr int kSecondsPerDay = 24 * 60 * 60;
    if (nowSeconds < lastSeconds)
        nowSeconds += kSecondsPerDay;
    return nowSeconds >= lastSeconds + intervalSeconds;
}

} // namespace vantrel
