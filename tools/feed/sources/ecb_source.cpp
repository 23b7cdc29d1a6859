// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_source.h"

#include "sources/ecb_calendar.h"
#include "sources/ecb_rates_reader.h"

namespace vantrel::feed {

PollingSettings EcbSource::defaultSettings()
{
    using namespace std::chrono_literals;
    PollingSettings settings;
    settings.url = QUrl(QStringLiteral("https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml"));
    settings.interval = 10min;
    return settings;
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

bool EcbSource::takeAnswer(const QByteArray &body)
{
    const SourceReading reading = readEcbRates(body);
    const QDate fixDay = reading.quotedAt.isValid() ? reading.quotedAt.toTimeZone(frankfurtTime()).date() : QDate();
    const std::optional<QString> failure = publish(reading, QLatin1StringView("EUR"), ecbFixCurrentUntil(fixDay));
    if (failure)
        noteFailure(*failure);
    return !failure;
}

} // namespace vantrel::feed
