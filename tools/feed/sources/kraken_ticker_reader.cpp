// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/kraken_ticker_reader.h"

#include "sources/source_answer_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <set>

namespace vantrel::feed {
namespace {

// "ZUSDZCAD", "XZEURZUSD"-like keys and plain "USDCHF" all name BASE/QUOTE once Kraken's one-letter
// class prefixes of its older asset codes are taken off.
QString pairOfKey(const QString &key)
{
    static const QRegularExpression form(QStringLiteral("^[XZ]?([A-Z]{3})[XZ]?([A-Z]{3})$"));
    const QRegularExpressionMatch match = form.match(key);
    if (!match.hasMatch())
        return QString();
    const QString pair = match.captured(1) + QLatin1Char('/') + match.captured(2);
    for (const QString &asked : krakenTickerPairs()) {
        if (asked.first(3) + QLatin1Char('/') + asked.last(3) == pair)
            return pair;
    }
    return QString();
}

// The first entry of a price array, which Kraken gives as a string; NaN and why when it is not a price.
double priceOf(const QJsonValue &field, const QString &side, QString &why)
{
    const QJsonValue first = field.toArray().first();
    bool ok = false;
    const double price = first.isString() ? first.toString().toDouble(&ok) : 0;
    if (ok)
        return price;
    if (why.isEmpty()) {
        const QString shown = first.isString() ? first.toString()
            : QString::fromUtf8(QJsonDocument(QJsonArray{first}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
        why = QStringLiteral("its %1 '%2' is not a price").arg(side, shownText(shown));
    }
    return kUnreadablePrice;
}

} // namespace

const QStringList &krakenTickerPairs()
{
    static const QStringList pairs{"AUDUSD", "EURUSD", "GBPUSD", "USDCAD", "USDCHF", "USDJPY"};
    return pairs;
}

SourceReading readKrakenTicker(QByteArrayView json)
{
    SourceReading reading;
    if (const std::optional<QString> notData = notAnAnswerOfData(json)) {
        reading.error = *notData;
        return reading;
    }
    const std::optional<QJsonDocument> document = jsonOfAnswer(json, reading.error);
    if (!document)
        return reading;
    const QJsonArray errors = document->object().value(QLatin1StringView("error")).toArray();
    if (!errors.isEmpty()) {
        QStringList said;
        for (const QJsonValue &error : errors)
            said << shownText(error.toString());
        reading.error = QStringLiteral("Kraken answered %1").arg(said.join(QStringLiteral(", ")));
        return reading;
    }
    const QJsonValue result = document->object().value(QLatin1StringView("result"));
    if (!result.isObject()) {
        reading.error = QStringLiteral("the answer holds no result");
        return reading;
    }
    const QJsonObject tickers = result.toObject();
    std::set<QString> answeredTwice;
    for (auto it = tickers.begin(); it != tickers.end(); ++it) {
        const QString pair = pairOfKey(it.key());
        if (pair.isEmpty()) {
            reading.warnings << QStringLiteral("'%1' is none of the pairs asked; left out").arg(shownText(it.key()));
            continue;
        }
        if (reading.legs.contains(pair)) {
            answeredTwice.insert(pair);
            continue;
        }
        const QJsonObject ticker = it.value().toObject();
        QString why;
        const double bid = priceOf(ticker.value(QLatin1StringView("b")), QStringLiteral("bid"), why);
        const double offer = priceOf(ticker.value(QLatin1StringView("a")), QStringLiteral("ask"), why);
        reading.legs[pair] = why.isEmpty() ? LegQuote{bid, offer, {}} : LegQuote{kUnreadablePrice, kUnreadablePrice, {}};
        if (!why.isEmpty())
            reading.warnings << QStringLiteral("%1 refused: %2").arg(pair, why);
    }
    for (const QString &pair : answeredTwice) {
        reading.legs[pair] = {kUnreadablePrice, kUnreadablePrice, {}};
        reading.warnings << QStringLiteral("%1 refused: it is answered twice, under two names").arg(pair);
    }
    if (reading.legs.empty())
        reading.error = QStringLiteral("the answer holds none of the pairs asked");
    return reading;
}

} // namespace vantrel::feed
