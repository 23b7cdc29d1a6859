// The lists in which the user picks the pairs to be read.
#include "app/main_window.h"
#include "quotes/pair_catalogue.h"

#include <QComboBox>
#include <QListWidget>

namespace vantrel {

void Form1::choosePairType()
{
    List1->clear();
    if (const std::optional<PairType> type = pairTypeFromName(Combo1->currentText()))
        List1->addItems(pairNamesOfType(*type));
}

} // namespace vantrel
