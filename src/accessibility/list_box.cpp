// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_box.h"

#include <QListWidget>

namespace vantrel {

int listIndex(const QListWidget &list)
{
    const QList<QListWidgetItem *> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

QStringList listItems(const QListWidget &list)
{
    QStringList items;
    for (int row = 0; row < list.count(); ++row)
        items << list.item(row)->text();
    return items;
}

void removeListItem(QListWidget &list, int position)
{
    delete list.takeItem(position);
    list.clearSelection();
    list.setCurrentRow(-1);
}

} // namespace vantrel
