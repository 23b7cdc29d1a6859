// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/oanda_pricing_reader.h"

#include "page/cross_rates.h"
#include "sources/source_answer_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>


namespace vantrel::feed {
namespace {

double bestPrice(const QJsonValue &buckets)
{
    bool ok = false;
    const double price = buckets.toArray().first().toObject().value(QLatin1StringView("price")).toString().toDouble(&ok);
    return ok ? price : kUnreadablePrice;
}

} // namespace

const QStringList &oandaInstruments()
{
    static const QStringList instruments{
        "AUD_USD", "EUR_USD", "GBP_USD", "USD_CAD", "USD_CHF", "USD_HKD", "USD_JPY", "USD_SGD", "AUD_CAD",
        "AUD_CHF", "AUD_HKD", "AUD_JPY", "AUD_SGD", "CAD_HKD", "CAD_JPY", "CAD_SGD", "CAD_CHF", "CHF_HKD",
        "CHF_JPY", "SGD_CHF", "EUR_AUD", "EUR_CAD", "EUR_CHF", "EUR_HKD", "EUR_JPY", "EUR_SGD", "GBP_AUD",
        "GBP_CAD", "GBP_CHF", "EUR_GBP", "GBP_HKD", "GBP_JPY", "GBP_SGD", "SGD_JPY"};
    return instruments;
}

SourceReading readOandaPricing(QByteArrayView json)
{
    SourceReading reading;
    const std::optional<QJsonDocument> document = jsonOfAnswer(json, reading.error);
    if (!document)
        return reading;
    const QJsonValue prices = document->object().value(QLatin1StringView("prices"));
    if (!prices.isArray()) {
        const QString message = document->object().value(QLatin1StringView("errorMessage")).toString();
        reading.error = message.isEmpty() ? QStringLiteral("the answer holds no prices")
                                          : QStringLiteral("the answer holds no prices: ") + message;
        return reading;
    }
    for (const QJsonValue &entry : prices.toArray()) {
        const QJsonObject price = entry.toObject();
        const QStringList currencies = price.value(QLatin1StringView("instrument")).toString().split(QLatin1Char('_'));
        if (currencies.size() != 2 || !catalogueCurrencies().contains(currencies[0])
            || !catalogueCurrencies().contains(currencies[1]) || currencies[0] == currencies[1])
            continue;
        const QString pair = currencies.join(QLatin1Char('/'));
        // A price without a time of its own could be of any day: it is refused like an unreadable one.
        const QDateTime time =
            QDateTime::fromString(price.value(QLatin1StringView("time")).toString(), Qt::ISODateWithMs);
        reading.legs[pair] = time.isValid() ? LegQuote{bestPrice(price.value(QLatin1StringView("bids"))),
                                                       bestPrice(price.value(QLatin1StringView("asks"))), time}
                                            : LegQuote{kUnreadablePrice, kUnreadablePrice, {}};
        if (!time.isValid())
            reading.warnings << QStringLiteral("%1 refused: its time '%2' is not a time")
                                    .arg(pair, shownText(price.value(QLatin1StringView("time")).toString()));
        if (price.value(QLatin1StringView("tradeable")) == QJsonValue(false))
            reading.notTradeable << pair;
    }
    if (reading.legs.empty())
        reading.error = QStringLiteral("the answer holds no prices of our currencies");
    return reading;
}

} // namespace vantrel::feed
