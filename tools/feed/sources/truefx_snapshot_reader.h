// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <QByteArrayView>

namespace vantrel::feed {

// TrueFX's unauthenticated snapshot in its csv form, one line a pair:
//   EUR/USD,1354501885507,1.30,394,1.30,398,1.30476,1.29838,1.30154
// the pair, its time in milliseconds since the epoch (UTC), the bid as its big figure and points
// ("1.30" and "394" is 1.30394, "82." and "388" is 82.388), the offer the same way, then high, low and
// open, which are not read (older answers leave some out). Each leg carries its own time. A pair with a
// field missing or unreadable, or quoted twice, is named in the warnings and its prices made NaN, so that
// the guard refuses it like any impossible price; an answer with no quote at all (an error text, "not
// authorized", a web page) is an error.
SourceReading readTrueFxSnapshot(QByteArrayView csv);

} // namespace vantrel::feed
