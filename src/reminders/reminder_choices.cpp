// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminder_choices.h"

namespace vantrel {

QStringList repeatWords()
{
    return {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three"), QStringLiteral("Four"),
            QStringLiteral("Five")};
}

} // namespace vantrel
