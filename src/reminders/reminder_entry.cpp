// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminder_entry.h"

#include "numeric_value.h"
#include "quotes/pair_catalogue.h"

namespace vantrel {

QString ReminderEntry::text() const
{
    return pair + (upper ? QLatin1Char('>') : QLatin1Char('<')) + thresholdText;
}

bool ReminderEntry::firesAt(const QString &rateText) const
{
    if (rateText.isEmpty())
        return false;
    const double rate = rateValue(rateText);
    const double threshold = numericValue(thresholdText);
    return upper ? rate >= threshold : rate <= threshold;
}

std::optional<ReminderEntry> parseReminderEntry(const QString &line)
{
    if (line.size() < 8 || !findPair(line.left(7)))
        return std::nullopt;
    const QChar sign = line[7];
    if (sign != QLatin1Char('>') && sign != QLatin1Char('<'))
        return std::nullopt;
    return ReminderEntry{line.left(7), sign == QLatin1Char('>'), line.mid(8)};
}

ThresholdText classifyThreshold(const QString &text)
{
    if (text.isEmpty())
        return ThresholdText::Empty;
    return numericValue(text) != 0 ? ThresholdText::Valid : ThresholdText::Faulty;
}

double rateValue(const QString &rateText)
{
    QString digits = rateText;
    digits.remove(QLatin1Char(','));
    return numericValue(digits);
}

} // namespace vantrel
