// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "accessibility/list_box.h"

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

namespace vantrel::test {

// The texts of a list box's entries, in order.
inline QStringList itemsOf(const QListWidget *list)
{
    return listItems(*list);
}

// The texts of a drop-down list's items, in order.
inline QStringList itemsOf(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Chooses an item as the user does, through the drop-down list, so that the choice's handler runs.
inline void chooseAsUser(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace vantrel::test
