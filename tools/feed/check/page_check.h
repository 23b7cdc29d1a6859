// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace vantrel::feed {

// What Vantrel reads from a saved page, for `vantrel-feed check`.
struct PageCheck {
    QStringList lines;  // "PAIR\tRATE" for all 35 pairs in catalogue order; RATE empty where not read
    bool complete = false;
    QString reason;     // why not all pairs were read
};

// Reads the page's quote line the way Vantrel does, into a fresh rate table.
PageCheck checkPage(QByteArrayView page);

} // namespace vantrel::feed
