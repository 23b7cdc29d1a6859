// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/ecb_dollar_legs.h"
#include "sources/polled_source.h"

#include <memory>

namespace vantrel::feed {

// What the live sources share: every price is as old as the source says it is, not as old as the
// request that brought it, and is current for `staleAfter` of its own time. The FX week is kept: from
// Friday 17:00 to Sunday 17:00 New York time the market is closed, the week's last prices stay current
// until it opens, and prices given meanwhile (a crypto exchange trades through the weekend) are not
// the market's. A source that quotes neither the Hong Kong nor the Singapore dollar takes those two
// legs from the ECB's fix, and its page is current only while that fix is too.
class LiveSource : public PolledSource
{
    Q_OBJECT

public:
    void start() override;
    void stop() override;

protected:
    LiveSource(QString description, PollingSettings settings, SourceContext context,
               std::shared_ptr<EcbDollarLegs> dollarLegs, QObject *parent);

    // The answer's legs, each with the time the source set it where the source says.
    virtual SourceReading read(const QByteArray &body) const = 0;

    bool takeAnswer(const QByteArray &body) final;
    // Says once when the market closes and when it opens again; never keeps the source from being asked.
    QString whyNotAsk() override;

private:
    std::optional<QString> takeReading(SourceReading reading);

    std::shared_ptr<EcbDollarLegs> m_dollarLegs;
    QMetaObject::Connection m_startOnFix; // a start waiting for the ECB's first answer
    bool m_saidClosed = false;
};

} // namespace vantrel::feed
