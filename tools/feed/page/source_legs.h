// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <limits>
#include <map>

namespace vantrel::feed {

// One pair as a source quotes it: the price a dealer buys the base currency at, and sells it at.
// Doubles, because sources give more decimals than the page shows and crosses divide them.
struct LegQuote {
    double bid = 0;
    double offer = 0;
    QDateTime quotedAt; // when the source set this price; invalid when it says only of the whole answer
};

// A price a source gave that does not read as one: the guard refuses it like any impossible price.
inline constexpr double kUnreadablePrice = std::numeric_limits<double>::quiet_NaN();

// The pairs one answer of a source gave, by name "BASE/QUOTE" in the direction the source quotes them.
using Legs = std::map<QString, LegQuote>;

// What one answer of a source says, or why it says nothing usable.
struct SourceReading {
    Legs legs;
    QDateTime quotedAt;   // when the source set these prices; invalid when it does not say
    QString error;        // set when the answer as a whole is unusable
    QStringList warnings; // parts that were skipped while the rest was used
    QStringList notTradeable; // pairs the source says cannot be dealt at their price now
};

} // namespace vantrel::feed
