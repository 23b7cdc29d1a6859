// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the numeric value of a text and to the reminder entries built on it.

#include "reminders/numeric_value.h"
#include "reminders/reminder_entry.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        const double value = vantrel::numericValue(text);
        if (std::isnan(value))
            std::abort();
        const vantrel::ThresholdText kind = vantrel::classifyThreshold(text);
        if ((kind == vantrel::ThresholdText::Empty) != text.isEmpty())
            std::abort();
        if (const std::optional<vantrel::ReminderEntry> entry = vantrel::parseReminderEntry(text)) {
            if (entry->text() != text)
                std::abort();
            (void)entry->firesAt(text.mid(8));
        }
        (void)vantrel::rateValue(text);
    }
    return 0;
}
