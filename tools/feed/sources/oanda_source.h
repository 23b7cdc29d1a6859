// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/polled_source.h"

namespace vantrel::feed {

// Live bids and offers from OANDA's v20 REST pricing: one request for every instrument at a time. The
// pairs OANDA lists the other way round are inverted, any it does not give are crossed through USD.
class OandaSource : public PolledSource
{
    Q_OBJECT

public:
    // The practice server; a live account's https://api-fxtrade.oanda.com answers the same. Asked every
    // three seconds like the bank's page; prices unanswered for two minutes are no longer served.
    static PollingSettings defaultSettings();

    OandaSource(const PollingSettings &settings, QString account, QByteArray token, QString tokenFile,
                SourceContext context, QObject *parent = nullptr);

protected:
    QNetworkRequest request() const override;
    void takeAnswer(const QByteArray &body) override;
    QString failureOf(const FetchResult &result) const override;

private:
    QString m_account;
    QByteArray m_token;
    QString m_tokenFile; // named when the token is refused, never the token itself
};

} // namespace vantrel::feed
