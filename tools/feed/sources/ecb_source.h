// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/polled_source.h"

namespace vantrel::feed {

// The European Central Bank's euro reference rates: one fix a working day, around 16:00 Frankfurt
// time, for all eight other currencies against EUR, so every pair comes from the same fix. Bid and offer
// are both the reference rate.
class EcbSource : public PolledSource
{
    Q_OBJECT

public:
    // Asked every ten minutes, which is plenty for a daily fix. A fix is served until the end of the
    // next day the ECB fixes rates (its calendar, not a number of days, so Easter silences nothing).
    static PollingSettings defaultSettings();

    EcbSource(const PollingSettings &settings, SourceContext context, QObject *parent = nullptr);

protected:
    QNetworkRequest request() const override;
    bool takeAnswer(const QByteArray &body) override;
};

} // namespace vantrel::feed
