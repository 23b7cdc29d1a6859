// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/live_source.h"

namespace vantrel::feed {

// The best bids and asks of a crypto exchange's fiat order books, Kraken's public Ticker: the six
// dollar legs, as old as the answer that brings them (the Ticker carries no time), a few seconds behind
// the interbank market and a fraction of a point off it. USD/HKD and USD/SGD come from the ECB's fix;
// the other pairs are crossed through USD.
class KrakenSource : public LiveSource
{
    Q_OBJECT

public:
    // Its public server, asked every three seconds, well within the one public request a second its
    // documentation allows.
    static PollingSettings defaultSettings();

    KrakenSource(const PollingSettings &settings, std::shared_ptr<EcbDollarLegs> dollarLegs, SourceContext context,
                 QObject *parent = nullptr);

protected:
    QNetworkRequest request() const override;
    SourceReading read(const QByteArray &body) const override;
};

} // namespace vantrel::feed
