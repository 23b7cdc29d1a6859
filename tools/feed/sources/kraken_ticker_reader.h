// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <QByteArrayView>
#include <QStringList>

namespace vantrel::feed {

// The pairs asked of Kraken's Ticker, by the names it takes: the six dollar legs its fiat books give.
// Only those: one pair Kraken does not list fails the whole request, and the crosses are made from the
// dollar legs of the same answer, as from every other source.
const QStringList &krakenTickerPairs();

// A Ticker answer ({"error":[],"result":{"ZUSDZCAD":{"a":[ask,...],"b":[bid,...],...}}}): one leg per
// pair asked, named "BASE/QUOTE" whatever key Kraken answers it under (its own asset codes, "ZUSDZCAD",
// or the plain "USDCHF"). Errors come in "error" with HTTP 200 and refuse the whole answer. A key that
// is none of the pairs asked is named in the warnings and left out; a price that does not read as a
// number, or a pair answered twice, is named and its prices made NaN so that the guard refuses it.
SourceReading readKrakenTicker(QByteArrayView json);

} // namespace vantrel::feed
