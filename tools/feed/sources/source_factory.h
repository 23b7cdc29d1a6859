// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "options/feed_options.h"
#include "sources/quote_source.h"

#include <memory>

namespace vantrel::feed {

// The source the options choose, or nothing with `error` saying what is missing (a token file, an
// account, a saved page that cannot be read).
struct MadeSource {
    std::unique_ptr<QuoteSource> source;
    QString error;
};
MadeSource makeQuoteSource(const FeedOptions &options, quint64 seed, SourceContext context);

} // namespace vantrel::feed
