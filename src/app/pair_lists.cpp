// SPDX-License-Identifier: GPL-3.0-or-later
// The lists in which the user picks the pairs to be read.
#include "accessibility/list_box.h"
#include "accessibility/spoken_focus.h"
#include "app/main_window.h"
#include "quotes/pair_catalogue.h"
#include "toolkit/message_box.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {

void Form1::choosePairType()
{
    List1->clear();
    if (const std::optional<PairType> type = pairTypeFromName(Combo1->currentText()))
        List1->addItems(pairNamesOfType(*type));
    // Clearing keeps the scroll position; a new list is shown from its first pair.
    List1->scrollToTop();
}

void Form1::addSelectedPair()
{
    const int index = listIndex(*List1);
    if (index == -1) {
        m_services.messages.show(this, QStringLiteral("Seclect pairs to be listened please!"));
        return;
    }
    const QString pair = List1->item(index)->text();
    List2->addItem(pair);
    // The entry appears in the other list, away from the button: a screen reader user hears it.
    sayAboutFocusedControl(*Command4, pair + QLatin1String(" added"));
}

void Form1::removeSelectedPair()
{
    removeHighlightedEntry(*List2, *Command5, QStringLiteral("Seclect pairs to be removed please!"));
}

} // namespace vantrel
