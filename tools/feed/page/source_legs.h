// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <map>

namespace vantrel::feed {

// One pair as a source quotes it: the price a dealer buys the base currency at, and sells it at.
// Doubles, because sources give more decimals than the page shows and crosses divide them.
struct LegQuote {
    double bid = 0;
    double offer = 0;
};

// The pairs one answer of a source gave, by name "BASE/QUOTE" in the direction the source quotes them.
using Legs = std::map<QString, LegQuote>;

// What one answer of a source says, or why it says nothing usable.
struct SourceReading {
    Legs legs;
    QDateTime quotedAt;   // when the source set these prices; invalid when it does not say
    QString error;        // set when the answer as a whole is unusable
    QStringList warnings; // parts that were skipped while the rest was used
};

} // namespace vantrel::feed
