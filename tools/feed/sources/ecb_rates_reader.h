// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <QByteArrayView>

namespace vantrel::feed {

// The latest day of an ECB euro reference rates file (eurofxref-daily.xml and its longer siblings):
// an EUR/XXX leg for each catalogue currency it lists, bid and offer both the reference rate, quoted at
// 14:15 Frankfurt time of the day the file names, when the rates are set. A rate that is not a number
// becomes NaN, so that it is refused like any other impossible price.
SourceReading readEcbRates(QByteArrayView xml);

} // namespace vantrel::feed
