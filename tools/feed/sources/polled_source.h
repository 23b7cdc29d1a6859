// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/http_fetcher.h"
#include "sources/quote_source.h"

#include <QTimer>
#include <QUrl>

namespace vantrel::feed {

// Where and how often a source on the network is asked, and how long its prices hold.
struct PollingSettings {
    QUrl url;
    std::chrono::milliseconds interval{3000};
    std::chrono::milliseconds staleAfter{120000}; // how long a live price is current after its own time
    FetchLimits limits;
    // After a failure the source is asked again soon, then less often: `firstRetry`, doubled after each
    // failure up to the interval, and never more than `longestRetry` while there are no prices to serve,
    // so that the first prices come soon after the network does.
    std::chrono::milliseconds firstRetry{3000};
    std::chrono::milliseconds longestRetry{60000};
    // After the source refused our credentials (401, 403): asking sooner only repeats the refusal.
    std::chrono::milliseconds afterRefusal{300000};
};

// A source asked over HTTP at start and then again, one request at a time: at the interval while it
// answers well, sooner after a failure.
class PolledSource : public QuoteSource
{
    Q_OBJECT

public:
    void start() override;
    void stop() override;

protected:
    PolledSource(QString description, PollingSettings settings, SourceContext context, QObject *parent);

    virtual QNetworkRequest request() const = 0;
    // The address of `path` on the server the settings name, whatever path that address ends in.
    QUrl onServer(const QString &path) const;
    // Takes an answer that came; false when it gave no prices, which is a failure like any other.
    virtual bool takeAnswer(const QByteArray &body) = 0;
    // What the failure means for this source; the fetcher's own words unless the source knows better.
    virtual QString failureOf(const FetchResult &result) const { return result.error; }
    // Why the source cannot be asked now (its credentials are unusable); empty when it can.
    virtual QString whyNotAsk() { return QString(); }

    const PollingSettings &settings() const { return m_settings; }

    // Asks at once, instead of at the time planned (credentials changed); nothing before start().
    void askNow();

    void becameUnavailable() override;

private:
    void poll();
    void planNext(const FetchResult *failed);

    PollingSettings m_settings;
    HttpFetcher m_fetcher;
    QTimer m_timer;
    int m_failuresInARow = 0;
    bool m_started = false;
    bool m_askWhenAnswered = false; // askNow() came while a request was out
    bool m_refused = false;         // the last answer refused our credentials
};

} // namespace vantrel::feed
