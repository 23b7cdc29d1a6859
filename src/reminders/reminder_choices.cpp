// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminder_choices.h"

namespace vantrel {

QStringList alertSoundNames()
{
    return {QStringLiteral("Cock"),     QStringLiteral("Dog"),     QStringLiteral("Car"),
            QStringLiteral("Cuckoo"),   QStringLiteral("Clock"),   QStringLiteral("Doorbell"),
            QStringLiteral("Music"),    QStringLiteral("Reminder"), QStringLiteral("Thunder"),
            QStringLiteral("Bell"),     QStringLiteral("Tiger"),   QStringLiteral("Fire"),
            QStringLiteral("Sheep"),    QStringLiteral("Hen"),     QStringLiteral("Shoot"),
            QStringLiteral("Lion"),     QStringLiteral("Water"),   QStringLiteral("frog"),
            QStringLiteral("Signal1"),  QStringLiteral("telegram"), QStringLiteral("Signal2"),
            QStringLiteral("Signal3")};
}

QStringList repeatWords()
{
    return {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three"), QStringLiteral("Four"),
            QStringLiteral("Five")};
}

} // namespace vantrel
