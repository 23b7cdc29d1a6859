// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quote_cache_file.h"
#include "rate_table.h"

#include <QObject>
#include <QString>
#include <QUrl>

namespace vantrel {

class HttpFetch;
struct FetchResult;

// Brings the rate table up to date from the quote page: download, save as the cache file, read the
// quote line back from that file, and store each pair's mid rate. Failures are silent: the table
// keeps what it had and the next refresh tries again.
class QuoteRefresher : public QObject
{
    Q_OBJECT

public:
    // How a refresh ended; the program itself never shows it, tests and tools read it.
    enum class Outcome {
        Updated,          // all 35 pairs read
        FetchFailed,      // no page: network error, time-out, oversized reply
        EmptyPage,
        SaveFailed,       // the cache file kept its previous page
        UnreadableCache,
        QuoteLineMissing, // the page has fewer than 106 lines
        FieldNotNumber,   // stopped at a field; the pairs before it were stored
    };
    Q_ENUM(Outcome)

    static constexpr int kRequestTimeoutSeconds = 60;

    QuoteRefresher(HttpFetch &inet1, QuoteCacheFile cacheFile, RateTable &rates, QUrl quoteurl,
                   QObject *parent = nullptr);

    // Starts a refresh; refreshFinished() follows once it has ended, however it ended. Does nothing
    // and returns false while a download is already in flight.
    bool RefreshQuotes();

    // The start-up's first download: the page is saved (an empty one as an empty file) but not read.
    bool downloadFirstPage();

    bool isBusy() const { return m_pending != Pending::Nothing; }
    void setQuoteUrl(const QUrl &quoteurl) { m_quoteurl = quoteurl; }

signals:
    void refreshFinished(vantrel::QuoteRefresher::Outcome outcome);

private:
    enum class Pending { Nothing, Refresh, FirstPage };

    void onFetchFinished(const FetchResult &result);
    Outcome refreshFrom(const FetchResult &result);

    HttpFetch &m_inet1;
    QuoteCacheFile m_cacheFile;
    RateTable &m_rates;
    QUrl m_quoteurl;
    Pending m_pending = Pending::Nothing;
};

} // namespace vantrel
