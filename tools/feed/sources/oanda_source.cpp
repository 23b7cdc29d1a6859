// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/oanda_source.h"

#include "sources/access_token.h"
#include "sources/oanda_pricing_reader.h"
#include "sources/token_destination.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace vantrel::feed {

PollingSettings OandaSource::defaultSettings()
{
    using namespace std::chrono_literals;
    PollingSettings settings;
    settings.url = QUrl(QStringLiteral("https://api-fxpractice.oanda.com"));
    settings.interval = 3s;
    settings.staleAfter = 2min;
    return settings;
}

bool OandaSource::safeForToken(const QUrl &url)
{
    if (url.scheme() == QLatin1StringView("https"))
        return true;
    return url.scheme() == QLatin1StringView("http")
           && (url.host() == QLatin1StringView("localhost") || QHostAddress(url.host()).isLoopback());
}

OandaSource::OandaSource(const PollingSettings &settings, QString account, QString tokenFile, SourceContext context,
                         QObject *parent)
    : LiveSource(QStringLiteral("OANDA at ") + settings.url.toDisplayString(), settings, std::move(context), nullptr,
                 parent)
    , m_account(std::move(account))
    , m_tokenFile(std::move(tokenFile))
    // Only a token that changed is tried at once: other files come and go in the same folder, and a refused
    // token is not asked with again before its pause is over.
    , m_file(m_tokenFile, [this] {
        if (readAccessToken(m_tokenFile).token != m_token)
            askNow();
    })
{
}

void OandaSource::start()
{
    m_file.start();
    LiveSource::start();
}

QString OandaSource::whyNotAsk()
{
    LiveSource::whyNotAsk();
    m_file.rewatch();
    AccessToken read = readAccessToken(m_tokenFile);
    m_token = read.token;
    if (!read.error.isEmpty())
        return read.error;
    return whyNoSecretTo(settings().url);
}

QNetworkRequest OandaSource::request() const
{
    QUrl url = onServer(QStringLiteral("/v3/accounts/") + m_account + QStringLiteral("/pricing"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("instruments"), oandaInstruments().join(QLatin1Char(',')));
    url.setQuery(query);

    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + m_token);
    request.setRawHeader("Accept-Datetime-Format", "RFC3339");
    // The token goes to the address it was written for and nowhere else.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return request;
}

SourceReading OandaSource::read(const QByteArray &body) const
{
    return readOandaPricing(body);
}

QString OandaSource::failureOf(const FetchResult &result) const
{
    const QString message = QJsonDocument::fromJson(result.body).object().value(QLatin1StringView("errorMessage")).toString();
    const QString detail = message.isEmpty() ? result.error : result.error + QStringLiteral(": ") + message;
    if (result.status == 401 || result.status == 403) {
        return QStringLiteral("the token in %1 was refused (%2); asking again in %3 minutes, or at once when the "
                              "file holds a new one")
            .arg(m_tokenFile, detail)
            .arg(std::chrono::duration_cast<std::chrono::minutes>(settings().afterRefusal).count());
    }
    return detail;
}

} // namespace vantrel::feed
