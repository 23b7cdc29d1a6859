// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/truefx_source.h"

#include "sources/truefx_snapshot_reader.h"

#include <QUrlQuery>

namespace vantrel::feed {

PollingSettings TrueFxSource::defaultSettings()
{
    using namespace std::chrono_literals;
    PollingSettings settings;
    settings.url = QUrl(QStringLiteral("https://webrates.truefx.com/rates/connect.html"));
    settings.interval = 2s;
    settings.staleAfter = 2min;
    settings.firstRetry = 2s;
    return settings;
}

TrueFxSource::TrueFxSource(const PollingSettings &settings, std::shared_ptr<EcbDollarLegs> dollarLegs,
                           SourceContext context, QObject *parent)
    : LiveSource(QStringLiteral("TrueFX at ") + settings.url.toDisplayString(), settings, std::move(context),
                 std::move(dollarLegs), parent)
{
}

QNetworkRequest TrueFxSource::request() const
{
    // No credentials: the snapshot every visitor gets, asked for in its csv form.
    QUrl url = settings().url;
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("f"));
    query.addQueryItem(QStringLiteral("f"), QStringLiteral("csv"));
    url.setQuery(query);
    return QNetworkRequest(url);
}

SourceReading TrueFxSource::read(const QByteArray &body) const
{
    return readTrueFxSnapshot(body);
}

} // namespace vantrel::feed
