// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_source.h"

#include "sources/ecb_rates_reader.h"

namespace vantrel::feed {

PollingSettings EcbSource::defaultSettings()
{
    using namespace std::chrono_literals;
    return {QUrl(QStringLiteral("https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml")), 10min, 96h, {}};
}

EcbSource::EcbSource(const PollingSettings &settings, SourceContext context, QObject *parent)
    : PolledSource(QStringLiteral("the ECB reference rates at ") + settings.url.toDisplayString(),
                   settings, std::move(context), parent)
{
}

QNetworkRequest EcbSource::request() const
{
    return QNetworkRequest(settings().url);
}

void EcbSource::takeAnswer(const QByteArray &body)
{
    const SourceReading reading = readEcbRates(body);
    publish(reading, QLatin1StringView("EUR"), reading.quotedAt.addMSecs(settings().staleAfter.count()));
}

} // namespace vantrel::feed
