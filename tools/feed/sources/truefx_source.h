// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/live_source.h"

namespace vantrel::feed {

// TrueFX's indicative prices, aggregated from banks: the unauthenticated snapshot of ten pairs, every
// leg at its own time. USD/HKD and USD/SGD come from the ECB's fix; the other pairs are crossed
// through USD.
class TrueFxSource : public LiveSource
{
    Q_OBJECT

public:
    // Its public address, asked every two seconds: it publishes no limit, and a new value comes every
    // one and a half to two seconds.
    static PollingSettings defaultSettings();

    TrueFxSource(const PollingSettings &settings, std::shared_ptr<EcbDollarLegs> dollarLegs, SourceContext context,
                 QObject *parent = nullptr);

protected:
    QNetworkRequest request() const override;
    SourceReading read(const QByteArray &body) const override;
};

} // namespace vantrel::feed
