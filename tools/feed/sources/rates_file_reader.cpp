// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/rates_file_reader.h"

#include "page/cross_rates.h"

#include <QRegularExpression>

namespace vantrel::feed {
namespace {

std::optional<double> priceOf(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?\\d{1,12}(\\.\\d+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

// Why the line is no rate, or nothing when `legs` got it.
std::optional<QString> readLine(const QString &line, Legs &legs)
{
    static const QRegularExpression separator(QStringLiteral("\\s*,\\s*|\\s+"));
    const QStringList fields = line.split(separator);
    if (fields.size() != 3)
        return QStringLiteral("expected PAIR BID OFFER, found %1 fields").arg(fields.size());
    const QStringList currencies = fields[0].split(QLatin1Char('/'));
    if (currencies.size() != 2 || !catalogueCurrencies().contains(currencies[0])
        || !catalogueCurrencies().contains(currencies[1]) || currencies[0] == currencies[1])
        return QStringLiteral("'%1' is not a pair of %2").arg(fields[0], catalogueCurrencies().join(QLatin1Char(' ')));
    const std::optional<double> bid = priceOf(fields[1]);
    const std::optional<double> offer = priceOf(fields[2]);
    if (!bid || !offer)
        return QStringLiteral("'%1' is not a price").arg(bid ? fields[2] : fields[1]);
    legs[fields[0]] = {*bid, *offer, {}};
    return std::nullopt;
}

} // namespace

SourceReading readRatesFile(QByteArrayView text, const QString &fileName)
{
    SourceReading reading;
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines[i]);
        if (const qsizetype comment = line.indexOf(QLatin1Char('#')); comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (const std::optional<QString> why = readLine(line, reading.legs))
            reading.warnings << QStringLiteral("%1:%2: line skipped: %3").arg(fileName).arg(i + 1).arg(*why);
    }
    if (reading.legs.empty())
        reading.error = QStringLiteral("%1 holds no rates").arg(fileName);
    return reading;
}

} // namespace vantrel::feed
