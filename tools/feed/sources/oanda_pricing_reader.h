// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <QByteArrayView>
#include <QStringList>

namespace vantrel::feed {

// The instruments to ask OANDA's v20 pricing for: every catalogue pair OANDA lists, under the name it
// lists it by, BASE_QUOTE, which for a few pairs is the other way round (CAD_CHF for CHF/CAD). SGD/HKD
// is not among them on the practice server, and one unknown instrument fails the whole request, so it
// is crossed through USD like any pair not quoted.
const QStringList &oandaInstruments();

// A v20 pricing answer ({"prices": [{"instrument", "time", "tradeable", "bids": [{"price"}], "asks"}]}):
// one leg per instrument between catalogue currencies, the best bid and ask at the instrument's own
// time, named "BASE/QUOTE"; those OANDA says are not tradeable are listed as such. A price that is
// missing or not a number, or has no time, becomes NaN, so that it is refused like any other impossible
// price.
SourceReading readOandaPricing(QByteArrayView json);

} // namespace vantrel::feed
