// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/live_source.h"

#include "sources/file_follower.h"

namespace vantrel::feed {

// Live bids and offers from OANDA's v20 REST pricing: one request for every instrument at a time, each
// price at its own time. The pairs OANDA lists the other way round are inverted, any it does not give
// are crossed through USD.
class OandaSource : public LiveSource
{
    Q_OBJECT

public:
    // The practice server; a live account's https://api-fxtrade.oanda.com answers the same. Asked every
    // three seconds like the bank's page; prices unanswered for two minutes are no longer served.
    static PollingSettings defaultSettings();

    // Whether `url` may carry the token: https, or plain http to this machine (a stand-in).
    static bool safeForToken(const QUrl &url);

    // The token is read from `tokenFile` before every request, so a new token is used as soon as the
    // file holds it, and the file is watched so that a changed token is tried at once.
    OandaSource(const PollingSettings &settings, QString account, QString tokenFile, SourceContext context,
                QObject *parent = nullptr);

    void start() override;

protected:
    QNetworkRequest request() const override;
    SourceReading read(const QByteArray &body) const override;
    QString failureOf(const FetchResult &result) const override;
    QString whyNotAsk() override;

private:
    QString m_account;
    QString m_tokenFile; // named when the token is refused, never the token itself
    QByteArray m_token;
    FileFollower m_file;
};

} // namespace vantrel::feed
