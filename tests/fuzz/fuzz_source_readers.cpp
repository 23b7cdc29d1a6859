// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the readers of what the feed's sources answer, as a server or another
// program might send them: the ECB's reference rates XML, OANDA's pricing JSON, TrueFX's csv snapshot,
// Kraken's Ticker JSON and a rates file. The first byte picks the reader ('E', 'O', 'T', 'K' or 'F');
// whatever they read then goes through the price guard and the cross derivation, as in the feed.

#include "page/cross_rates.h"
#include "page/leg_guard.h"
#include "sources/ecb_rates_reader.h"
#include "sources/kraken_ticker_reader.h"
#include "sources/oanda_pricing_reader.h"
#include "sources/rates_file_reader.h"
#include "sources/truefx_snapshot_reader.h"

#include <cstdint>
#include <cstdlib>

namespace {

using namespace vantrel::feed;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkReading(const SourceReading &reading)
{
    for (const auto &[pair, leg] : reading.legs) {
        check(pair.size() == 7 && pair[3] == QLatin1Char('/'));
        check(catalogueCurrencies().contains(pair.first(3)) && catalogueCurrencies().contains(pair.last(3)));
    }
    if (!reading.error.isEmpty())
        return;
    check(!reading.legs.empty());
    LegGuard guard;
    const Legs usable = guard.screen(reading.legs, QDateTime::currentDateTimeUtc()).usable;
    for (const auto &[pair, leg] : usable)
        check(leg.bid > 0 && leg.bid <= leg.offer);
    for (const QLatin1StringView pivot : {QLatin1StringView("USD"), QLatin1StringView("EUR")}) {
        const DerivedPairs derived = deriveCataloguePairs(usable, pivot);
        check(derived.pairs.has_value() != !derived.missing.isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    switch (data[0]) {
    case 'E':
        checkReading(readEcbRates(bytes));
        break;
    case 'O':
        checkReading(readOandaPricing(bytes));
        break;
    case 'T':
        checkReading(readTrueFxSnapshot(bytes));
        break;
    case 'K':
        checkReading(readKrakenTicker(bytes));
        break;
    default:
        checkReading(readRatesFile(bytes, QStringLiteral("rates.txt")));
        break;
    }
    return 0;
}
