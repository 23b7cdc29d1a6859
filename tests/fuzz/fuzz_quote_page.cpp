// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the page reading: as a whole saved page, or straight as a quote line.
// Every rate it stores must be a well-formed rate text.

#include "quotes/pair_catalogue.h"
#include "quotes/price.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "quotes/rate_table.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkTable(const vantrel::RateTable &rates, const vantrel::QuoteLineOutcome &outcome)
{
    static const QRegularExpression four(QStringLiteral("^-?\\d{1,3}(,\\d{3})*\\.\\d{4}$"));
    static const QRegularExpression two(QStringLiteral("^-?\\d{1,3}(,\\d{3})*\\.\\d{2}$"));
    check(outcome.pairsStored >= 0 && outcome.pairsStored <= vantrel::kPairCount);
    check(outcome.complete() == (outcome.pairsStored == vantrel::kPairCount));
    int filled = 0;
    for (int i = 0; i < vantrel::kPairCount; ++i) {
        const QString &rate = rates.rate(i);
        if (rate.isEmpty())
            continue;
        ++filled;
        const bool fourDecimals = vantrel::pairCatalogue()[i].decimals == 4;
        check((fourDecimals ? four : two).match(rate).hasMatch());
    }
    check(filled == outcome.pairsStored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    vantrel::RateTable rates;
    if (!bytes.isEmpty() && bytes[0] == 'L') {
        // The rest is the quote line itself, so the fuzzer need not find 105 line ends first.
        const QString line = QString::fromLatin1(bytes.sliced(1));
        checkTable(rates, vantrel::readQuoteLine(line, rates));
        (void)vantrel::parsePriceField(QStringView(line).left(8));
        return 0;
    }
    const int lines = vantrel::pageLineCount(bytes);
    const std::optional<QString> quoteLine = vantrel::quoteLineOf(bytes);
    check(quoteLine.has_value() == (lines >= 106));
    if (quoteLine)
        checkTable(rates, vantrel::readQuoteLine(*quoteLine, rates));
    return 0;
}
