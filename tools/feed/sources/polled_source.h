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
    std::chrono::milliseconds staleAfter{120000};
    FetchLimits limits;
};

// A source asked over HTTP at start and then at a fixed interval, one request at a time.
class PolledSource : public QuoteSource
{
    Q_OBJECT

public:
    void start() override;

protected:
    PolledSource(QString description, PollingSettings settings, SourceContext context, QObject *parent);

    virtual QNetworkRequest request() const = 0;
    virtual void takeAnswer(const QByteArray &body) = 0;
    // What the failure means for this source; the fetcher's own words unless the source knows better.
    virtual QString failureOf(const FetchResult &result) const { return result.error; }

    const PollingSettings &settings() const { return m_settings; }

private:
    void poll();

    PollingSettings m_settings;
    HttpFetcher m_fetcher;
    QTimer m_timer;
};

} // namespace vantrel::feed
