// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "http_fetch.h"

#include <QHash>
#include <QTimer>

#include <memory>

class QSocketNotifier;

namespace vantrel {

// The real download, by libcurl over a Unix socket: the quote server listens in the user's own
// runtime folder, where no other user can listen or connect, so the page comes from the user's own
// feed or not at all. Qt's network access manager speaks HTTP over TCP only (before Qt 6.8). curl
// runs on this thread's event loop, its sockets watched by socket notifiers, so nothing blocks.
class CurlHttpFetch final : public HttpFetch
{
    Q_OBJECT

public:
    // A real page is a few tens of KiB; anything past this is not a quote page.
    static constexpr qint64 kDefaultMaximumPageSize = 4 * 1024 * 1024;

    // Requests go to the HTTP server listening on `socketPath`; the address's host only names it.
    explicit CurlHttpFetch(QString socketPath, QObject *parent = nullptr);
    ~CurlHttpFetch() override;

    void setRequestTimeout(int seconds) override;
    void fetch(const QUrl &url) override;
    void cancel() override;
    bool isBusy() const override { return m_easy != nullptr || m_notStarted.isActive(); }

    // The timeout in milliseconds, so that tests need not wait a minute.
    void setRequestTimeoutMs(int milliseconds) { m_timeoutMs = milliseconds; }
    void setMaximumPageSize(qint64 bytes) { m_maximumPageSize = bytes; }

private:
    struct Watch;

    static int onSocket(void *easy, int socket, int what, void *self, void *watch);
    static int onTimer(void *multi, long timeoutMs, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);

    void watch(int socket, int what);
    void act(int socket, int events);
    void finishIfDone();
    FetchResult resultOf(int code);
    void finishWith(FetchResult result);
    void releaseTransfer();

    const QByteArray m_socketPath;
    void *m_multi = nullptr;
    void *m_easy = nullptr;
    QHash<int, std::shared_ptr<Watch>> m_watches;
    QTimer m_curlTimer;
    QTimer m_notStarted; // a request curl could not take, reported as failed
    QByteArray m_body;
    char m_errorDetail[256] = {};
    bool m_tooLarge = false;
    int m_timeoutMs = 60 * 1000;
    qint64 m_maximumPageSize = kDefaultMaximumPageSize;
};

} // namespace vantrel
