// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_rates_reader.h"

#include "page/cross_rates.h"
#include "sources/ecb_calendar.h"

#include <QXmlStreamReader>


namespace vantrel::feed {

SourceReading readEcbRates(QByteArrayView xml)
{
    SourceReading reading;
    QXmlStreamReader reader(xml.toByteArray());
    QDate day;
    int depthInDay = 0; // the rates of the first day only: longer files list older days after it
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isEndElement()) {
            if (depthInDay > 0 && --depthInDay == 0)
                break;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        if (depthInDay > 0)
            ++depthInDay;
        if (reader.name() != QLatin1StringView("Cube"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (!day.isValid() && attributes.hasAttribute(QLatin1StringView("time"))) {
            day = QDate::fromString(attributes.value(QLatin1StringView("time")).toString(), Qt::ISODate);
            depthInDay = day.isValid() ? 1 : 0;
            continue;
        }
        const QString currency = attributes.value(QLatin1StringView("currency")).toString();
        if (depthInDay == 0 || !catalogueCurrencies().contains(currency) || currency == QLatin1StringView("EUR"))
            continue;
        bool ok = false;
        double rate = attributes.value(QLatin1StringView("rate")).toDouble(&ok);
        if (!ok)
            rate = kUnreadablePrice;
        reading.legs[QStringLiteral("EUR/") + currency] = {rate, rate, {}};
    }
    if (reader.hasError()) {
        reading.error = QStringLiteral("the answer is not the reference rates XML: %1 at line %2")
                            .arg(reader.errorString())
                            .arg(reader.lineNumber());
    } else if (!day.isValid() || reading.legs.empty()) {
        reading.error = QStringLiteral("the answer holds no reference rates");
    } else {
        // The rates are those of the central banks' concertation at 14:15 Frankfurt time, published
        // around 16:00.
        reading.quotedAt = QDateTime(day, QTime(14, 15), frankfurtTime());
    }
    if (!reading.error.isEmpty())
        reading.legs.clear();
    return reading;
}

} // namespace vantrel::feed
