// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/kraken_source.h"

#include "sources/kraken_ticker_reader.h"

#include <QUrlQuery>

namespace vantrel::feed {

PollingSettings KrakenSource::defaultSettings()
{
    using namespace std::chrono_literals;
    PollingSettings settings;
    settings.url = QUrl(QStringLiteral("https://api.kraken.com"));
    settings.interval = 3s;
    settings.staleAfter = 2min;
    settings.firstRetry = 2s;
    return settings;
}

KrakenSource::KrakenSource(const PollingSettings &settings, std::shared_ptr<EcbDollarLegs> dollarLegs,
                           SourceContext context, QObject *parent)
    : LiveSource(QStringLiteral("Kraken at ") + settings.url.toDisplayString(), settings, std::move(context),
                 std::move(dollarLegs), parent)
{
}

QNetworkRequest KrakenSource::request() const
{
    QUrl url = onServer(QStringLiteral("/0/public/Ticker"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("pair"), krakenTickerPairs().join(QLatin1Char(',')));
    url.setQuery(query);
    return QNetworkRequest(url);
}

SourceReading KrakenSource::read(const QByteArray &body) const
{
    return readKrakenTicker(body);
}

} // namespace vantrel::feed
