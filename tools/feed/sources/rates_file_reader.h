// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <QByteArrayView>

namespace vantrel::feed {

// A rates file another program writes: one "PAIR BID OFFER" line per pair (EUR/USD 1.08312 1.08316),
// the three separated by blanks or by one comma, "#" starting a comment. A malformed line is skipped
// with a warning naming `fileName` and its line number; the others are used.
SourceReading readRatesFile(QByteArrayView text, const QString &fileName);

} // namespace vantrel::feed
