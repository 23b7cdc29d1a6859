// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "options/feed_options.h"
#include "sources/failover_source.h"
#include "sources/quote_source.h"

#include <memory>

namespace vantrel::feed {

// The source the options choose, a list of them served with failover, or nothing with `error` saying
// what is missing (a token file, an account, a saved page that cannot be read, time zone data).
struct MadeSource {
    std::unique_ptr<QuoteSource> source;
    QString error;
};
MadeSource makeQuoteSource(const FeedOptions &options, quint64 seed, SourceContext context,
                           const FailoverSettings &failover = {});

} // namespace vantrel::feed
