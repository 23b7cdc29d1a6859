// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QListWidget;

namespace vantrel {

// The list box behaviour the program relies on: the highlighted entry's position, -1 when there is none.
int listIndex(const QListWidget &list);

// The entries, top to bottom.
QStringList listItems(const QListWidget &list);

// Removes the entry at a position; the later entries move up and nothing is highlighted afterwards.
void removeListItem(QListWidget &list, int position);

} // namespace vantrel
