// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/oanda_source.h"

#include "sources/oanda_pricing_reader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace vantrel::feed {

PollingSettings OandaSource::defaultSettings()
{
    using namespace std::chrono_literals;
    return {QUrl(QStringLiteral("https://api-fxpractice.oanda.com")), 3s, 2min, {}};
}

OandaSource::OandaSource(const PollingSettings &settings, QString account, QByteArray token, QString tokenFile,
                         SourceContext context, QObject *parent)
    : PolledSource(QStringLiteral("OANDA at ") + settings.url.toDisplayString(), settings,
                   std::move(context), parent)
    , m_account(std::move(account))
    , m_token(std::move(token))
    , m_tokenFile(std::move(tokenFile))
{
}

QNetworkRequest OandaSource::request() const
{
    QUrl url = settings().url;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/v3/accounts/") + m_account + QStringLiteral("/pricing"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("instruments"), oandaInstruments().join(QLatin1Char(',')));
    url.setQuery(query);

    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + m_token);
    request.setRawHeader("Accept-Datetime-Format", "RFC3339");
    return request;
}

void OandaSource::takeAnswer(const QByteArray &body)
{
    publish(readOandaPricing(body), QLatin1StringView("USD"), now().addMSecs(settings().staleAfter.count()));
}

QString OandaSource::failureOf(const FetchResult &result) const
{
    const QString message = QJsonDocument::fromJson(result.body).object().value(QLatin1StringView("errorMessage")).toString();
    const QString detail = message.isEmpty() ? result.error : result.error + QStringLiteral(": ") + message;
    if (result.status == 401)
        return QStringLiteral("the token in %1 was refused (%2)").arg(m_tokenFile, detail);
    return detail;
}

} // namespace vantrel::feed
