// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// One line of the reminder list: the pair, ">" or "<", and the threshold as the user typed it,
// as in "EUR/USD>1.2650".
struct ReminderEntry {
    QString pair;
    bool upper = true; // ">": at or above; "<": at or below
    QString thresholdText;

    QString text() const;
    // Whether a rate text reaches the threshold. A rate not read yet (empty) never does.
    bool firesAt(const QString &rateText) const;
};

// The entry a reminder-list line holds; nothing for a line that names no known pair or has neither
// ">" nor "<" after it.
std::optional<ReminderEntry> parseReminderEntry(const QString &line);

// How the text of a threshold box counts: nothing typed, a usable threshold, or text that is no number.
enum class ThresholdText { Empty, Valid, Faulty };
ThresholdText classifyThreshold(const QString &text);

// The number a rate text stands for; group separators are not the end of the number.
double rateValue(const QString &rateText);

} // namespace vantrel
