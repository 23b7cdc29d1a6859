// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <optional>

namespace vantrel {

// The items of the interval selector, shortest first.
QStringList listeningIntervalNames();

// The length in seconds of an interval item ("2.5min" is 150); nothing for any other text.
std::optional<int> listeningIntervalSeconds(const QString &name);

// Whether the interval has passed since `last`, both times of day in seconds. A time of day before
// `last` means midnight has passed in between.
bool listeningDue(int lastSeconds, int nowSeconds, int intervalSeconds);

} // namespace vantrel
