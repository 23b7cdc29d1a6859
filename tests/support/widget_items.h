// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <QStringList>

namespace vantrel::test {

// The texts of a list box's entries, in order.
inline QStringList itemsOf(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace vantrel::test
