// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page_check.h"

#include "quotes/pair_catalogue.h"
#include "quotes/quote_layout.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "quotes/rate_table.h"

#include <optional>

namespace vantrel::feed {

PageCheck checkPage(QByteArrayView page)
{
    PageCheck check;
    RateTable table;
    const std::optional<QString> quoteLine = quoteLineOf(page);
    if (!quoteLine) {
        check.reason = QStringLiteral("the page has %1 lines; the quotes are on line %2")
                           .arg(pageLineCount(page))
                           .arg(kQuoteLineNumber);
    } else {
        const QuoteLineOutcome outcome = readQuoteLine(*quoteLine, table);
        check.complete = outcome.complete();
        if (outcome.failure)
            check.reason = outcome.failure->describe();
    }
    for (int i = 0; i < kPairCount; ++i)
        check.lines << QLatin1StringView(pairCatalogue()[i].name) + QLatin1Char('\t') + table.rate(i);
    return check;
}

} // namespace vantrel::feed
