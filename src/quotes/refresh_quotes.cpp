// SPDX-License-Identifier: GPL-3.0-or-later
#include "refresh_quotes.h"

#include "platform/http_fetch.h"
#include "quote_line_parser.h"
#include "quote_page.h"

namespace vantrel {

QuoteRefresher::QuoteRefresher(HttpFetch &inet1, QuoteCacheFile cacheFile, RateTable &rates,
                               QUrl quoteurl, QObject *parent)
    : QObject(parent)
    , m_inet1(inet1)
    , m_cacheFile(std::move(cacheFile))
    , m_rates(rates)
    , m_quoteurl(std::move(quoteurl))
{
    connect(&m_inet1, &HttpFetch::finished, this, &QuoteRefresher::onFetchFinished);
}

bool QuoteRefresher::RefreshQuotes()
{
    if (isBusy())
        return false;
    m_pending = Pending::Refresh;
    m_inet1.setRequestTimeout(kRequestTimeoutSeconds);
    m_inet1.fetch(m_quoteurl);
    return true;
}

bool QuoteRefresher::downloadFirstPage()
{
    if (isBusy())
        return false;
    m_pending = Pending::FirstPage;
    m_inet1.fetch(m_quoteurl);
    return true;
}

void QuoteRefresher::onFetchFinished(const FetchResult &result)
{
    const Pending pending = m_pending;
    m_pending = Pending::Nothing;
    switch (pending) {
    case Pending::Nothing:
        return;
    case Pending::FirstPage:
        if (result.ok())
            m_cacheFile.replace(result.page);
        return;
    case Pending::Refresh:
        emit refreshFinished(refreshFrom(result));
        return;
    }
}

QuoteRefresher::Outcome QuoteRefresher::refreshFrom(const FetchResult &result)
{
    if (!result.ok())
        return Outcome::FetchFailed;
    if (result.page.isEmpty())
        return Outcome::EmptyPage;

    // A cache file that cannot be opened at all still holds the last page saved, which is read
    // instead; a write that failed half way leaves that page too, but the refresh then stops.
    if (m_cacheFile.replace(result.page) == QuoteCacheFile::SaveOutcome::WriteFailed)
        return Outcome::SaveFailed;

    const std::optional<QByteArray> saved = m_cacheFile.read();
    if (!saved)
        return Outcome::UnreadableCache;
    const std::optional<QString> quoteLine = quoteLineOf(*saved);
    if (!quoteLine)
        return Outcome::QuoteLineMissing;
    return readQuoteLine(*quoteLine, m_rates).complete() ? Outcome::Updated : Outcome::FieldNotNumber;
}

} // namespace vantrel
