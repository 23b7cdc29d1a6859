// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/truefx_snapshot_reader.h"

#include "page/cross_rates.h"
#include "sources/source_answer_text.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <set>

namespace vantrel::feed {
namespace {

// A price from its big figure and its points, or why there is none.
std::optional<double> priceOf(const QString &bigFigure, const QString &points, const QString &side, QString &why)
{
    static const QRegularExpression bigFigureForm(QStringLiteral("^\\d{1,6}\\.\\d{0,6}$"));
    static const QRegularExpression pointsForm(QStringLiteral("^\\d{1,6}$"));
    if (!bigFigureForm.match(bigFigure).hasMatch())
        why = QStringLiteral("its %1 big figure '%2' is not a number").arg(side, shownText(bigFigure));
    else if (!pointsForm.match(points).hasMatch())
        why = QStringLiteral("its %1 points '%2' are not a number").arg(side, shownText(points));
    else
        return (bigFigure + points).toDouble();
    return std::nullopt;
}

// The leg of one line, or why it is refused.
LegQuote readQuote(const QStringList &fields, QString &why)
{
    if (fields.size() < 6) {
        why = QStringLiteral("the line has %1 fields, not the 6 a quote needs").arg(fields.size());
        return {kUnreadablePrice, kUnreadablePrice, {}};
    }
    bool ok = false;
    const qint64 milliseconds = fields[1].toLongLong(&ok);
    if (!ok || milliseconds <= 0) {
        why = QStringLiteral("its time '%1' is not a number of milliseconds").arg(shownText(fields[1]));
        return {kUnreadablePrice, kUnreadablePrice, {}};
    }
    const std::optional<double> bid = priceOf(fields[2], fields[3], QStringLiteral("bid"), why);
    const std::optional<double> offer = bid ? priceOf(fields[4], fields[5], QStringLiteral("offer"), why) : std::nullopt;
    if (!offer)
        return {kUnreadablePrice, kUnreadablePrice, {}};
    return {*bid, *offer, QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::utc())};
}

} // namespace

SourceReading readTrueFxSnapshot(QByteArrayView csv)
{
    SourceReading reading;
    if (const std::optional<QString> notQuotes = notAnAnswerOfData(csv, "not authorized")) {
        reading.error = *notQuotes;
        return reading;
    }
    static const QRegularExpression pairForm(QStringLiteral("^[A-Z]{3}/[A-Z]{3}$"));
    std::set<QString> quotedTwice;
    QString firstOther;
    for (const QByteArray &bytes : csv.toByteArray().split('\n')) {
        const QString line = QString::fromLatin1(bytes).trimmed();
        if (line.isEmpty())
            continue;
        QStringList fields = line.split(QLatin1Char(','));
        for (QString &field : fields)
            field = field.trimmed();
        const QString pair = fields[0];
        if (!pairForm.match(pair).hasMatch()) {
            if (firstOther.isEmpty())
                firstOther = line;
            continue;
        }
        // Logged-in sessions quote more pairs, some of currencies the page has no place for.
        if (!catalogueCurrencies().contains(pair.first(3)) || !catalogueCurrencies().contains(pair.last(3))
            || pair.first(3) == pair.last(3))
            continue;
        if (reading.legs.contains(pair)) {
            quotedTwice.insert(pair);
            continue;
        }
        QString why;
        reading.legs[pair] = readQuote(fields, why);
        if (!why.isEmpty())
            reading.warnings << QStringLiteral("%1 refused: %2").arg(pair, why);
    }
    for (const QString &pair : quotedTwice) {
        reading.legs[pair] = {kUnreadablePrice, kUnreadablePrice, {}};
        reading.warnings << QStringLiteral("%1 refused: it is quoted twice in one answer").arg(pair);
    }
    if (reading.legs.empty()) {
        reading.error = firstOther.isEmpty() ? QStringLiteral("the answer holds no quotes of our currencies")
                                             : QStringLiteral("the answer holds no quotes: '%1'").arg(shownText(firstOther));
        return reading;
    }
    if (!firstOther.isEmpty())
        reading.warnings << QStringLiteral("a line that is no quote was left out: '%1'").arg(shownText(firstOther));
    return reading;
}

} // namespace vantrel::feed
