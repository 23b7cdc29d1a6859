// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "http_fetch.h"

#include <QNetworkAccessManager>
#include <QTimer>

class QNetworkReply;

namespace vantrel {

// The real download, over Qt's network access manager.
class NetworkHttpFetch final : public HttpFetch
{
    Q_OBJECT

public:
    // A real page is a few tens of KiB; anything past this is not a quote page.
    static constexpr qint64 kDefaultMaximumPageSize = 4 * 1024 * 1024;

    explicit NetworkHttpFetch(QObject *parent = nullptr);
    ~NetworkHttpFetch() override;

    void setRequestTimeout(int seconds) override;
    void fetch(const QUrl &url) override;
    void cancel() override;
    bool isBusy() const override { return m_reply != nullptr; }

    // The timeout in milliseconds, so that tests need not wait a minute.
    void setRequestTimeoutMs(int milliseconds) { m_timeoutMs = milliseconds; }
    void setMaximumPageSize(qint64 bytes) { m_maximumPageSize = bytes; }

private:
    void takeAvailableBytes();
    void onReplyFinished();
    void onDeadlinePassed();
    void finishWith(FetchResult result);
    void releaseReply();

    QNetworkAccessManager m_manager;
    QNetworkReply *m_reply = nullptr;
    QTimer m_deadline;
    QByteArray m_body;
    int m_timeoutMs = 60 * 1000;
    qint64 m_maximumPageSize = kDefaultMaximumPageSize;
};

} // namespace vantrel
